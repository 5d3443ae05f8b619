#pragma once

#include <QBitArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

#include "ChineseCollator.h"

class Database;

// The rows of one query held in memory, like a static client cursor: fields by name (without
// letter case), a current row, a client-side sort ("EmpName ASC, ID DESC") and filter
// ("SelectStu=1", conditions joined by "and"), and edits, appends and deletes that collect as
// pending changes until updateBatch() writes them all in one transaction.
//
// Row positions ("row") are positions in the current view: the rows that pass the filter, in
// sort order, without deleted ones.
//
// Errors: open() and updateBatch() throw DatabaseError when the database fails; an unknown field
// name or a sort or filter text that cannot be read throws DatabaseError too. When updateBatch()
// throws, the table is unchanged and every pending change is still pending.
class RecordSet {
  public:
    explicit RecordSet(Database* db = nullptr) : db_(db) {}

    void setDatabase(Database* db) { db_ = db; }
    // Reads the rows of `sql`. Batch writes go to `table`, whose key column is ID.
    void open(const QString& sql, const QVariantList& params = {}, const QString& table = {});
    void close();
    bool isOpen() const { return open_; }

    const QStringList& fieldNames() const { return fields_; }
    int fieldIndex(const QString& name) const;  // -1 when there is no such field
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
    int requireField(const QString& name) const;  // throws DatabaseError when there is none

    int recordCount() const { return int(view_.size()); }
    bool isEmpty() const { return view_.empty(); }

    // The current row: -1 when the view is empty.
    int recNo() const { return current_; }
    void setRecNo(int row);

    // The value held in the row, valid until the rows change.
    const QVariant& value(int row, const QString& field) const;
    const QVariant& value(int row, int field) const;
    QVariant fieldValue(const QString& field) const { return value(current_, field); }
    void setValue(int row, const QString& field, const QVariant& v);
    void setValue(int row, int field, const QVariant& v);
    // The sum of a field over the rows in view; empty values and text that is no number count 0.
    double sum(int field) const;
    void setFieldValue(const QString& field, const QVariant& v) { setValue(current_, field, v); }

    // Adds an empty row at the end of the view and makes it current; returns its position.
    int append();
    void remove(int row);

    // Puts the rows themselves in the order of `fields` as the database orders them by their
    // collation (empty values, then numbers, then text by pinyin, then binary values); rows that
    // compare equal keep the order they were read in. Like an "order by" of the query, this is
    // the order setSort({}) returns to. The first row becomes current.
    void orderRows(const QStringList& fields);
    void setSort(const QString& sort);
    const QString& sort() const { return sort_; }
    void setFilter(const QString& filter);
    const QString& filter() const { return filter_; }

    bool hasPendingChanges() const;
    void updateBatch();
    void cancelBatch();

  private:
    enum class State { Clean, Modified, Inserted, Deleted, Discarded };
    struct Row {
        QVariantList values;
        QVariantList original;
        QBitArray changed;
        State state = State::Clean;
    };
    struct SortKey {
        int field;
        bool descending;
    };
    // One value as the database's ordering sees it: its class (empty, number, text, binary)
    // and, for text, its collation key.
    struct OrderKey {
        int rank;
        double number;
        QByteArray bytes;
        QCollatorSortKey text;
    };
    struct Condition {
        int field;
        QString op;
        QVariant value;
    };

    int rowIndex(int row) const;
    void requireFieldPosition(int field) const;
    void rebuildView();
    std::vector<SortKey> parseSort(const QString& text) const;
    std::vector<Condition> parseFilter(const QString& text) const;
    bool passes(const Row& row) const;
    int compareValues(const QVariant& a, const QVariant& b) const;
    OrderKey orderKey(const QVariant& v, const QCollatorSortKey& none,
                      QHash<QString, QCollatorSortKey>& texts) const;
    static int compareOrderKeys(const OrderKey& a, const OrderKey& b);
    QString updateText(const QBitArray& changed);
    void writeRow(const Row& row, qint64* newId);
    void settle();

    Database* db_;
    QString table_;
    QStringList fields_;
    QHash<QString, int> fieldIndex_;         // case-folded name -> first field of that name
    QHash<QBitArray, QString> updateTexts_;  // changed fields -> UPDATE statement
    std::vector<Row> rows_;
    std::vector<int> view_;
    int current_ = -1;
    bool open_ = false;
    QString sort_;
    QString filter_;
    std::vector<SortKey> sortKeys_;
    std::vector<Condition> conditions_;
    ChineseCollator collator_;
};
