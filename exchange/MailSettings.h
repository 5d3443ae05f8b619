#pragma once

#include <QString>
#include <optional>

// The mail settings of the payslip dialog, kept in comm.ini (section "comm") beside the
// program, and the mail body kept in EMailContent.Lst. Both files are GBK with CR LF.
class MailSettings {
  public:
    QString smtp;                 // "smtp": server host name
    QString port;                 // "port": as typed, so "abc" stays "abc"
    QString user;                 // "user"
    QString pass;                 // "pass": plain text, as the user typed it
    QString email;                // "email": sender and reply address
    QString emailTitle;           // "emailtitle": subject
    bool authentication = false;  // "pass1": log in to the server, written as 1 or 0
    QString attachment;           // "ledAttachment": the last attachment looked at

    // The host shown when comm.ini has none.
    static QString defaultHost() { return QStringLiteral("smtp.163.com"); }
    static QString iniPath(const QString& appPath);
    static QString contentPath(const QString& appPath);

    // Reads comm.ini below `appPath`; a missing file or key gives the default. Throws FileError
    // when the file exists but cannot be read.
    static MailSettings load(const QString& appPath);
    // Writes all eight keys, keeping whatever else the file holds. Throws FileError.
    void save(const QString& appPath) const;

    // The port to connect to: the text as a whole number from 1 to 65535, else 25.
    int portNumber() const;
    static int portNumber(const QString& text);

    // The body lines of EMailContent.Lst joined by "\n"; empty when the file does not exist.
    // Throws FileError when it exists but cannot be read.
    static std::optional<QString> loadContent(const QString& appPath);
    // Writes the body, one line per line; false when the file could not be written.
    static bool saveContent(const QString& appPath, const QString& text);
};
