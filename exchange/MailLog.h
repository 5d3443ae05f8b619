#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// The record of the mail runs of one pay month: a CSV file in GBK beside the program,
// 邮件发送记录_<month>.csv, one line per employee a run handled. Every run appends to it, so the
// file tells who got his payslip, when, and which mails did not go out and why.
//
// Columns: 批次 (when the run began, which tells the runs apart), 时间, 序号 (the running number
// of the payslip file), 姓名, 邮件地址, 文件, 结果 ("已发送", "跳过", "失败") and 说明 (why a row
// was skipped, or the server's reply to a failed mail).
class MailLog {
  public:
    enum class Result { Sent, Skipped, Failed };
    struct Entry {
        QString run;
        QDateTime time;
        int index = 0;
        QString name;
        QString address;
        QString file;
        Result result = Result::Sent;
        QString detail;
    };

    MailLog(const QString& appPath, const QString& month);

    static QString pathFor(const QString& appPath, const QString& month);
    const QString& path() const { return path_; }
    static QString resultText(Result result);
    static QStringList header();

    // Every line of the file, oldest first; none when there is no file. Throws FileError when
    // the file cannot be read.
    std::vector<Entry> entries() const;
    // The lines of the latest run.
    std::vector<Entry> lastRun() const;
    // How many mails of the month have gone out in all runs.
    int sentCount() const;

    // Starts a run: the lines appended from now on carry its time. Reads the file once and
    // writes it back, so that a file that cannot be written is known at once. Throws FileError.
    void begin(const QDateTime& start);
    // Adds one line and writes the file at once, so the record survives a run that is broken
    // off. Throws FileError.
    void append(Entry entry);

    // One line as it stands in the file (without line end), and back; false when the line is
    // not one of ours.
    static QString formatLine(const Entry& entry);
    static bool parseLine(const QString& line, Entry& entry);

  private:
    QString path_;
    QString run_;
    QString text_;
};
