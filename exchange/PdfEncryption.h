#pragma once

#include <QByteArray>
#include <QString>

// Locks a PDF document with a password through QPDF: AES-256 (PDF 2.0 security handler R6), so
// that only who knows the password can open it. Printing and copying text stay allowed for the
// one who opens it; changing the document needs an owner password nobody is told.
class PdfEncryption {
  public:
    PdfEncryption() = delete;

    // `pdf` encrypted with the open password `password` (UTF-8 as PDF 2.0 asks). Throws
    // PdfEncryptionError when QPDF cannot read the document or write it.
    static QByteArray encrypt(const QByteArray& pdf, const QString& password);
};
