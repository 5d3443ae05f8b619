#pragma once

#include <QTableWidget>
#include <set>
#include <vector>

#include "MailLog.h"
#include "MailRun.h"

// The lines of a mail run as a read-only table: time, running number, name, address, file,
// result and reason, one row per employee; rows can be chosen to be sent to again.
class MailLogTable : public QTableWidget {
    Q_OBJECT

  public:
    explicit MailLogTable(QWidget* parent = nullptr);

    void showEntries(const std::vector<MailLog::Entry>& entries);
    // The running number and name of the chosen rows.
    std::set<MailRun::RowKey> selectedKeys() const;

  private:
    std::vector<MailLog::Entry> entries_;
};
