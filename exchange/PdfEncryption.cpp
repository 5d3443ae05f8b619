#include "PdfEncryption.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <QRandomGenerator>
#include <exception>

#include "PdfEncryptionError.h"

namespace {

// An owner password of 32 random hex digits, different for every file.
QByteArray ownerPassword() {
    QByteArray bytes(16, '\0');
    for (char& b : bytes) b = static_cast<char>(QRandomGenerator::system()->bounded(256));
    return bytes.toHex();
}

}  // namespace

QByteArray PdfEncryption::encrypt(const QByteArray& pdf, const QString& password) {
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("payslip.pdf", pdf.constData(), static_cast<size_t>(pdf.size()));
        QPDFWriter writer(document);
        writer.setOutputMemory();
        const QByteArray user = password.toUtf8();
        const QByteArray owner = ownerPassword();
        writer.setR6EncryptionParameters(user.constData(), owner.constData(), true, true, false,
                                         false, false, false, qpdf_r3p_full, true);
        writer.write();
        const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()),
                          static_cast<qsizetype>(buffer->getSize()));
    } catch (const std::exception& e) {
        throw PdfEncryptionError(
            QStringLiteral("PDF文件加密失败：%1").arg(QString::fromUtf8(e.what())));
    }
}
