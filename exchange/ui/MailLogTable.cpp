#include "MailLogTable.h"

#include <QHeaderView>

namespace {

const QString kTimeFormat = QStringLiteral("MM-dd hh:mm:ss");

}  // namespace

MailLogTable::MailLogTable(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("tblMailLog"));
    const QStringList header{QStringLiteral("时间"), QStringLiteral("序号"),
                             QStringLiteral("姓名"), QStringLiteral("邮件地址"),
                             QStringLiteral("文件"), QStringLiteral("结果"),
                             QStringLiteral("说明")};
    setColumnCount(int(header.size()));
    setHorizontalHeaderLabels(header);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setStretchLastSection(true);
}

void MailLogTable::showEntries(const std::vector<MailLog::Entry>& entries) {
    entries_ = entries;
    clearContents();
    setRowCount(int(entries.size()));
    for (int r = 0; r < int(entries.size()); ++r) {
        const MailLog::Entry& e = entries[std::size_t(r)];
        const QStringList cells{e.time.toString(kTimeFormat),
                                QString::number(e.index),
                                e.name,
                                e.address,
                                e.file,
                                MailLog::resultText(e.result),
                                e.detail};
        for (int c = 0; c < int(cells.size()); ++c) setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    resizeColumnsToContents();
}

std::set<MailRun::RowKey> MailLogTable::selectedKeys() const {
    std::set<MailRun::RowKey> keys;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        const MailLog::Entry& e = entries_.at(std::size_t(index.row()));
        keys.insert({e.index, e.name});
    }
    return keys;
}
