#include "Pub.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "FileError.h"

int FindListItem(const QStringList& list, const QString& text, bool prefix) {
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString& item = list.at(i);
        if (prefix ? item.startsWith(text, Qt::CaseSensitive) : item == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void WaitWithMessages(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() <= ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // Without this the wait would hold a processor core at full load.
        QThread::msleep(1);
    }
}

void ClearFolderFiles(const QString& folder) {
    QString root = folder;
    while (root.size() > 1 && (root.endsWith(u'/') || root.endsWith(u'\\'))) {
        root.chop(1);
    }
    // An empty name would mean the working folder, which is never what a caller wants cleared.
    if (root.isEmpty() || !QFileInfo(root).isDir()) {
        return;
    }
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        // A link is removed as an entry of its own; the iterator does not follow it, so nothing
        // outside the folder is touched.
        if (info.isSymLink() || !info.isDir()) {
            QFile::remove(info.filePath());
        }
    }
}

QString PadSpaceRight(const QString& text, int width) {
    return text.leftJustified(width, u' ', false);
}

QString PadZeroLeft(const QString& text, int width) {
    return text.rightJustified(width, u'0', false);
}

int CountSubStr(const QString& pattern, const QString& text) {
    if (pattern.isEmpty()) {
        return 0;
    }
    int count = 0;
    qsizetype from = 0;
    while ((from = text.indexOf(pattern, from)) >= 0) {
        ++count;
        from += pattern.size();
    }
    return count;
}

void CopyFileStream(const QString& source, const QString& destination) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        throw FileError(QStringLiteral("无法读取文件“%1”：%2").arg(source, in.errorString()));
    }
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly)) {
        throw FileError(QStringLiteral("无法写入文件“%1”：%2").arg(destination, out.errorString()));
    }
    constexpr qint64 kChunk = 64 * 1024;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
            throw FileError(QStringLiteral("无法读取文件“%1”：%2").arg(source, in.errorString()));
        }
        if (out.write(chunk) != chunk.size()) {
            throw FileError(
                QStringLiteral("无法写入文件“%1”：%2").arg(destination, out.errorString()));
        }
    }
    if (!out.commit()) {
        throw FileError(QStringLiteral("无法写入文件“%1”：%2").arg(destination, out.errorString()));
    }
}

QString CleanNumText(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace()) {
            result.append(c);
        }
    }
    if (result == u"." || result == u".0") {
        result = QStringLiteral("0.0");
    }
    if (result.endsWith(u'.')) {
        result.chop(1);
    }
    if (result.isEmpty()) {
        result = QStringLiteral("0");
    }
    return result;
}

QUrl BrowserUrl(const QString& pathOrAddress) {
    // Two letters at least before "://", so a Windows drive ("C:\...") is not taken for a scheme.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    if (scheme.match(pathOrAddress).hasMatch() ||
        pathOrAddress.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive)) {
        return QUrl(pathOrAddress, QUrl::TolerantMode);
    }
    if (pathOrAddress.startsWith(QStringLiteral("www."), Qt::CaseInsensitive)) {
        return QUrl(QStringLiteral("http://") + pathOrAddress, QUrl::TolerantMode);
    }
    return QUrl::fromLocalFile(QFileInfo(pathOrAddress).absoluteFilePath());
}

bool OpenInBrowser(const QString& pathOrAddress) {
    if (pathOrAddress.isEmpty()) {
        return false;
    }
    return QDesktopServices::openUrl(BrowserUrl(pathOrAddress));
}

bool ShellOpenFile(const QString& path, const QString& parameters) {
    if (path.isEmpty()) {
        return false;
    }
    QFileInfo info(path);
    if (!info.exists()) {
        // A bare name such as "calc" is found on the search path, as the shell would.
        if (path.contains(u'/') || path.contains(u'\\')) {
            return false;
        }
        const QString found = QStandardPaths::findExecutable(path);
        if (found.isEmpty()) {
            return false;
        }
        info.setFile(found);
    }
    if (info.isFile() && info.isExecutable()) {
        // A program started from its own folder finds the files it keeps beside itself.
        return QProcess::startDetached(info.absoluteFilePath(), QProcess::splitCommand(parameters),
                                       info.absolutePath());
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

bool IsEmailAddress(const QString& text) {
    const qsizetype at = text.indexOf(u'@');
    if (at < 1) {
        return false;
    }
    const qsizetype dot = text.indexOf(u'.', at + 1);
    return dot >= 0 && dot < text.size() - 1;
}

namespace {

// Adds one unit in the last place to a string of decimal digits.
void IncrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

}  // namespace

QString FormatFloat(const QString& format, double value) {
    const qsizetype point = format.indexOf(u'.');
    const int decimals = point < 0 ? 0 : static_cast<int>(format.size() - point - 1);
    if (!std::isfinite(value)) {
        value = 0.0;
    }

    // The shortest text that reads back as the same double is the decimal value the user typed
    // or the sum stands for; rounding that text avoids binary rounding (2.675 is stored as
    // 2.67499999...).
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    const std::size_t e = text.find('e');
    std::string digits;
    for (const char c : text.substr(0, e)) {
        if (c != '.') {
            digits += c;
        }
    }
    std::string_view exponentText = text.substr(e + 1);
    if (!exponentText.empty() && exponentText.front() == '+') {
        exponentText.remove_prefix(1);
    }
    int exponent = 0;
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);

    // digits = d0 d1 d2 ... stands for d0.d1d2... x 10^exponent. `keep` digits of it lie before
    // the last shown decimal place.
    const long long keep = static_cast<long long>(exponent) + 1 + decimals;
    const auto length = static_cast<long long>(digits.size());
    std::string units;
    bool roundUp = false;
    if (keep > 0) {
        units = digits.substr(0, static_cast<std::size_t>(std::min(keep, length)));
        if (keep > length) {
            units.append(static_cast<std::size_t>(keep - length), '0');
        }
        roundUp = keep < length && digits[static_cast<std::size_t>(keep)] >= '5';
    } else {
        units.assign(1, '0');
        roundUp = keep == 0 && digits.front() >= '5';
    }
    if (roundUp) {
        IncrementDigits(units);
    }

    const std::size_t firstNonZero = units.find_first_not_of('0');
    const bool isZero = firstNonZero == std::string::npos;
    units.erase(0, isZero ? units.size() : firstNonZero);
    if (units.size() < static_cast<std::size_t>(decimals) + 1) {
        units.insert(0, static_cast<std::size_t>(decimals) + 1 - units.size(), '0');
    }
    if (decimals > 0) {
        units.insert(units.size() - static_cast<std::size_t>(decimals), 1, '.');
    }
    if (negative && !isZero) {
        units.insert(0, 1, '-');
    }
    return QString::fromLatin1(units.data(), static_cast<qsizetype>(units.size()));
}

double VariantToDouble(const QVariant& value) {
    // Amounts read from the database are doubles; they need no conversion machinery.
    if (value.typeId() == QMetaType::Double) {
        const double number = *static_cast<const double*>(value.constData());
        return std::isfinite(number) ? number : 0.0;
    }
    if (!value.isValid() || value.isNull()) {
        return 0.0;
    }
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && std::isfinite(number) ? number : 0.0;
}
