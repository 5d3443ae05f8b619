#include "MailSettings.h"

#include <QDir>
#include <QFileInfo>

#include "FileError.h"
#include "GbkText.h"
#include "IniFile.h"

namespace {

const QString kSection = QStringLiteral("comm");

}  // namespace

QString MailSettings::iniPath(const QString& appPath) {
    return QDir(appPath).filePath(QStringLiteral("comm.ini"));
}

QString MailSettings::contentPath(const QString& appPath) {
    return QDir(appPath).filePath(QStringLiteral("EMailContent.Lst"));
}

MailSettings MailSettings::load(const QString& appPath) {
    const IniFile ini(iniPath(appPath));
    MailSettings s;
    s.smtp = ini.readString(kSection, QStringLiteral("smtp"), defaultHost());
    s.port = ini.readString(kSection, QStringLiteral("port"), QStringLiteral("25"));
    s.user = ini.readString(kSection, QStringLiteral("user"), QString());
    s.pass = ini.readString(kSection, QStringLiteral("pass"), QString());
    s.email = ini.readString(kSection, QStringLiteral("email"), QString());
    s.emailTitle = ini.readString(kSection, QStringLiteral("emailtitle"), QString());
    s.authentication = ini.readBool(kSection, QStringLiteral("pass1"), false);
    s.attachment = ini.readString(kSection, QStringLiteral("ledAttachment"), QString());
    return s;
}

void MailSettings::save(const QString& appPath) const {
    IniFile ini(iniPath(appPath));
    ini.writeString(kSection, QStringLiteral("smtp"), smtp);
    ini.writeString(kSection, QStringLiteral("port"), port);
    ini.writeString(kSection, QStringLiteral("user"), user);
    ini.writeString(kSection, QStringLiteral("pass"), pass);
    ini.writeString(kSection, QStringLiteral("email"), email);
    ini.writeString(kSection, QStringLiteral("emailtitle"), emailTitle);
    ini.writeInteger(kSection, QStringLiteral("pass1"), authentication ? 1 : 0);
    ini.writeString(kSection, QStringLiteral("ledAttachment"), attachment);
    ini.save();
}

int MailSettings::portNumber() const {
    return portNumber(port);
}

int MailSettings::portNumber(const QString& text) {
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    // 0 and numbers above 65535 are no port either; a socket would silently cut them.
    if (!ok || number < 1 || number > 65535) return 25;
    return number;
}

std::optional<QString> MailSettings::loadContent(const QString& appPath) {
    const QString path = contentPath(appPath);
    if (!QFileInfo::exists(path)) return std::nullopt;
    QString text = GbkText::readTextFile(path);
    // Every line ends in a line break in the file; the last one starts no further line.
    if (text.endsWith(u'\n')) text.chop(1);
    return text;
}

bool MailSettings::saveContent(const QString& appPath, const QString& text) {
    try {
        GbkText::writeTextFile(contentPath(appPath), text.isEmpty() ? text : text + u'\n');
        return true;
    } catch (const FileError&) {
        return false;
    }
}
