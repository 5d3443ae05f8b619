#include "RecordSet.h"

#include <QRegularExpression>
#include <algorithm>

#include "Database.h"
#include "DatabaseError.h"
#include "Pub.h"
#include "Transaction.h"

namespace {

constexpr int kKeptOrderTexts = 256;

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Bool:
            return true;
        default:
            return false;
    }
}

bool isNull(const QVariant& v) {
    return !v.isValid() || v.isNull();
}

}  // namespace

void RecordSet::open(const QString& sql, const QVariantList& params, const QString& table) {
    if (!db_) throw DatabaseError(QStringLiteral("数据库没有打开"));
    QueryResult result = db_->query(sql, params);
    close();
    table_ = table;
    fields_ = result.columns;
    for (int i = 0; i < fields_.size(); ++i) {
        const QString key = fields_.at(i).toCaseFolded();
        if (!fieldIndex_.contains(key)) fieldIndex_.insert(key, i);
    }
    rows_.reserve(result.rows.size());
    for (auto& values : result.rows) {
        Row row;
        row.changed = QBitArray(int(fields_.size()));
        row.original = values;
        row.values = std::move(values);
        rows_.push_back(std::move(row));
    }
    open_ = true;
    rebuildView();
}

void RecordSet::close() {
    fields_.clear();
    updateTexts_.clear();
    fieldIndex_.clear();
    rows_.clear();
    view_.clear();
    current_ = -1;
    open_ = false;
    sortKeys_.clear();
    conditions_.clear();
    sort_.clear();
    filter_.clear();
}

int RecordSet::fieldIndex(const QString& name) const {
    const auto found = fieldIndex_.constFind(name.toCaseFolded());
    return found == fieldIndex_.cend() ? -1 : found.value();
}

int RecordSet::requireField(const QString& name) const {
    const int index = fieldIndex(name);
    if (index < 0) throw DatabaseError(QStringLiteral("字段不存在：%1").arg(name));
    return index;
}

int RecordSet::rowIndex(int row) const {
    if (row < 0 || row >= int(view_.size())) {
        throw DatabaseError(QStringLiteral("记录位置超出范围：%1").arg(row));
    }
    return view_[row];
}

void RecordSet::setRecNo(int row) {
    rowIndex(row);
    current_ = row;
}

const QVariant& RecordSet::value(int row, const QString& field) const {
    return value(row, requireField(field));
}

const QVariant& RecordSet::value(int row, int field) const {
    requireFieldPosition(field);
    return rows_[rowIndex(row)].values.at(field);
}

void RecordSet::requireFieldPosition(int field) const {
    if (field < 0 || field >= fields_.size()) {
        throw DatabaseError(QStringLiteral("字段位置超出范围：%1").arg(field));
    }
}

double RecordSet::sum(int field) const {
    requireFieldPosition(field);
    double total = 0;
    for (int index : view_) total += VariantToDouble(rows_[index].values.at(field));
    return total;
}

void RecordSet::setValue(int row, const QString& field, const QVariant& v) {
    setValue(row, requireField(field), v);
}

void RecordSet::setValue(int row, int column, const QVariant& v) {
    requireFieldPosition(column);
    Row& r = rows_[rowIndex(row)];
    r.values[column] = v;
    r.changed.setBit(column);
    if (r.state == State::Clean) r.state = State::Modified;
}

int RecordSet::append() {
    if (!open_) throw DatabaseError(QStringLiteral("数据集没有打开"));
    Row row;
    row.values = QVariantList(fields_.size());
    row.original = row.values;
    row.changed = QBitArray(int(fields_.size()));
    row.state = State::Inserted;
    rows_.push_back(std::move(row));
    view_.push_back(int(rows_.size()) - 1);
    current_ = int(view_.size()) - 1;
    return current_;
}

void RecordSet::remove(int row) {
    const int index = rowIndex(row);
    Row& r = rows_[index];
    // A row that was never written has nothing to delete in the table; it simply goes.
    r.state = r.state == State::Inserted ? State::Discarded : State::Deleted;
    view_.erase(view_.begin() + row);
    if (current_ >= int(view_.size())) current_ = int(view_.size()) - 1;
}

std::vector<RecordSet::SortKey> RecordSet::parseSort(const QString& text) const {
    std::vector<SortKey> keys;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(u' ');
        if (words.isEmpty() || words.first().isEmpty()) continue;
        if (words.size() > 2) throw DatabaseError(QStringLiteral("排序条件无效：%1").arg(text));
        bool descending = false;
        if (words.size() == 2) {
            const QString dir = words.at(1).toUpper();
            if (dir != u"ASC" && dir != u"DESC") {
                throw DatabaseError(QStringLiteral("排序条件无效：%1").arg(text));
            }
            descending = dir == u"DESC";
        }
        keys.push_back({requireField(words.first()), descending});
    }
    return keys;
}

std::vector<RecordSet::Condition> RecordSet::parseFilter(const QString& text) const {
    static const QRegularExpression andWord(QStringLiteral("\\s+and\\s+"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression condition(
        QStringLiteral("^\\s*\\[?([A-Za-z_][A-Za-z0-9_]*)\\]?\\s*(<>|<=|>=|=|<|>)\\s*(.*?)\\s*$"));
    std::vector<Condition> conditions;
    if (text.trimmed().isEmpty()) return conditions;
    for (const QString& part : text.split(andWord)) {
        const auto match = condition.match(part);
        if (!match.hasMatch()) throw DatabaseError(QStringLiteral("筛选条件无效：%1").arg(text));
        QString literal = match.captured(3);
        QVariant value;
        if (literal.size() >= 2 && literal.startsWith(u'\'') && literal.endsWith(u'\'')) {
            value = literal.mid(1, literal.size() - 2).replace(QStringLiteral("''"), u"'"_qs);
        } else {
            bool ok = false;
            const double number = literal.toDouble(&ok);
            if (!ok) throw DatabaseError(QStringLiteral("筛选条件无效：%1").arg(text));
            value = number;
        }
        conditions.push_back({requireField(match.captured(1)), match.captured(2), value});
    }
    return conditions;
}

int RecordSet::compareValues(const QVariant& a, const QVariant& b) const {
    const bool nullA = isNull(a), nullB = isNull(b);
    if (nullA || nullB) return nullA == nullB ? 0 : (nullA ? -1 : 1);
    if (isNumber(a) && isNumber(b)) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return collator_.compare(a.toString(), b.toString());
}

bool RecordSet::passes(const Row& row) const {
    for (const Condition& c : conditions_) {
        const QVariant& v = row.values.at(c.field);
        int cmp;
        if (isNumber(c.value)) {
            if (isNull(v)) return false;
            bool ok = false;
            const double x = v.toDouble(&ok);
            if (!ok) return false;
            const double y = c.value.toDouble();
            cmp = x < y ? -1 : (x > y ? 1 : 0);
        } else {
            cmp = collator_.compare(isNull(v) ? QString() : v.toString(), c.value.toString());
        }
        const bool ok = (c.op == u"=" && cmp == 0) || (c.op == u"<>" && cmp != 0) ||
                        (c.op == u"<" && cmp < 0) || (c.op == u">" && cmp > 0) ||
                        (c.op == u"<=" && cmp <= 0) || (c.op == u">=" && cmp >= 0);
        if (!ok) return false;
    }
    return true;
}

void RecordSet::rebuildView() {
    const int keep = (current_ >= 0 && current_ < int(view_.size())) ? view_[current_] : -1;
    view_.clear();
    for (int i = 0; i < int(rows_.size()); ++i) {
        if (rows_[i].state != State::Deleted && passes(rows_[i])) view_.push_back(i);
    }
    if (!sortKeys_.empty()) {
        std::stable_sort(view_.begin(), view_.end(), [this](int a, int b) {
            for (const SortKey& key : sortKeys_) {
                const int cmp =
                    compareValues(rows_[a].values.at(key.field), rows_[b].values.at(key.field));
                if (cmp != 0) return key.descending ? cmp > 0 : cmp < 0;
            }
            return false;
        });
    }
    const auto found = std::find(view_.begin(), view_.end(), keep);
    current_ = found != view_.end() ? int(found - view_.begin()) : (view_.empty() ? -1 : 0);
}

RecordSet::OrderKey RecordSet::orderKey(const QVariant& v, const QCollatorSortKey& none,
                                        QHash<QString, QCollatorSortKey>& texts) const {
    if (isNull(v)) return {0, 0, {}, none};
    if (isNumber(v)) return {1, v.toDouble(), {}, none};
    if (v.typeId() == QMetaType::QByteArray) return {3, 0, v.toByteArray(), none};
    const QString text = v.typeId() == QMetaType::QString
                             ? *static_cast<const QString*>(v.constData())
                             : v.toString();
    const auto found = texts.constFind(text);
    if (found != texts.cend()) return {2, 0, {}, found.value()};
    // Only the first texts are kept: departments repeat and are found again, while a hash of
    // every name would cost more in memory traffic than making their keys.
    const QCollatorSortKey key = collator_.sortKey(text);
    if (texts.size() < kKeptOrderTexts) texts.insert(text, key);
    return {2, 0, {}, key};
}

int RecordSet::compareOrderKeys(const OrderKey& a, const OrderKey& b) {
    if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
    switch (a.rank) {
        case 1:
            return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
        case 2:
            return a.text.compare(b.text);
        case 3:
            return a.bytes.compare(b.bytes);
        default:
            return 0;
    }
}

void RecordSet::orderRows(const QStringList& fields) {
    std::vector<int> columns;
    for (const QString& field : fields) columns.push_back(requireField(field));
    // Collation keys made once per distinct text: comparing two keys is a byte comparison, where
    // comparing the texts would run the collation for every pair the sort looks at.
    QHash<QString, QCollatorSortKey> texts;
    const QCollatorSortKey none = collator_.sortKey(QString());
    std::vector<OrderKey> keys;
    keys.reserve(rows_.size() * columns.size());
    for (const Row& row : rows_) {
        for (int column : columns) keys.push_back(orderKey(row.values.at(column), none, texts));
    }
    const size_t width = columns.size();
    std::vector<int> order(rows_.size());
    for (int i = 0; i < int(order.size()); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (size_t k = 0; k < width; ++k) {
            const int cmp = compareOrderKeys(keys[a * width + k], keys[b * width + k]);
            if (cmp != 0) return cmp < 0;
        }
        return false;
    });
    std::vector<Row> ordered;
    ordered.reserve(rows_.size());
    for (int index : order) ordered.push_back(std::move(rows_[index]));
    rows_ = std::move(ordered);
    current_ = -1;
    rebuildView();
}

void RecordSet::setSort(const QString& sort) {
    sortKeys_ = parseSort(sort);
    sort_ = sort;
    rebuildView();
}

void RecordSet::setFilter(const QString& filter) {
    conditions_ = parseFilter(filter);
    filter_ = filter;
    rebuildView();
}

bool RecordSet::hasPendingChanges() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const Row& r) {
        return r.state != State::Clean && r.state != State::Discarded;
    });
}

QString RecordSet::updateText(const QBitArray& changed) {
    // A batch changes the same columns in row after row; the statement text is built once.
    const auto found = updateTexts_.constFind(changed);
    if (found != updateTexts_.cend()) return found.value();
    QStringList sets;
    for (int i = 0; i < fields_.size(); ++i) {
        if (changed.testBit(i)) sets << QStringLiteral("\"%1\"=?").arg(fields_.at(i));
    }
    return updateTexts_
        .insert(changed,
                QStringLiteral("UPDATE \"%1\" SET %2 WHERE ID=?").arg(table_, sets.join(u',')))
        .value();
}

void RecordSet::writeRow(const Row& row, qint64* newId) {
    const int key = fieldIndex(QStringLiteral("ID"));
    // Only inserts and deletes name the table here; an update's text is kept by updateText.
    const auto table = [this] { return QStringLiteral("\"%1\"").arg(table_); };
    if (row.state == State::Inserted) {
        QStringList columns, marks;
        QVariantList params;
        for (int i = 0; i < fields_.size(); ++i) {
            if (!row.changed.testBit(i)) continue;
            columns << QStringLiteral("\"%1\"").arg(fields_.at(i));
            marks << QStringLiteral("?");
            params << row.values.at(i);
        }
        const QString sql = columns.isEmpty()
                                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table())
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(table(), columns.join(u','), marks.join(u','));
        db_->exec(sql, params);
        *newId = db_->lastInsertId();
        return;
    }
    if (key < 0) throw DatabaseError(QStringLiteral("数据集没有ID字段，不能写回：%1").arg(table_));
    const QVariant id = row.original.at(key);
    if (row.state == State::Deleted) {
        // A row someone else already removed is as deleted as it gets.
        db_->exec(QStringLiteral("DELETE FROM %1 WHERE ID=?").arg(table()), {id});
        return;
    }
    QVariantList params;
    for (int i = 0; i < fields_.size(); ++i) {
        if (row.changed.testBit(i)) params << row.values.at(i);
    }
    if (params.isEmpty()) return;
    params << id;
    const int changedRows = db_->exec(updateText(row.changed), params);
    // The row was removed behind our back: writing the rest would silently lose this change.
    if (changedRows != 1) {
        throw DatabaseError(QStringLiteral("记录已不存在，无法写回（ID=%1）").arg(id.toString()));
    }
}

void RecordSet::updateBatch() {
    if (!hasPendingChanges()) return;
    if (!db_) throw DatabaseError(QStringLiteral("数据库没有打开"));
    if (table_.isEmpty()) throw DatabaseError(QStringLiteral("数据集没有指定表，不能写回"));
    std::vector<std::pair<int, qint64>> newIds;
    {
        Transaction transaction(*db_);
        for (State pass : {State::Deleted, State::Modified, State::Inserted}) {
            for (int i = 0; i < int(rows_.size()); ++i) {
                if (rows_[i].state != pass) continue;
                qint64 id = 0;
                writeRow(rows_[i], &id);
                if (pass == State::Inserted) newIds.emplace_back(i, id);
            }
        }
        transaction.commit();
    }
    // Only now that the transaction holds is the memory brought in line with the table.
    const int key = fieldIndex(QStringLiteral("ID"));
    for (const auto& [index, id] : newIds) {
        if (key >= 0 && !rows_[index].changed.testBit(key)) rows_[index].values[key] = id;
    }
    settle();
}

void RecordSet::cancelBatch() {
    for (Row& r : rows_) {
        if (r.state == State::Modified || r.state == State::Deleted) r.values = r.original;
    }
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(),
                               [](const Row& r) {
                                   return r.state == State::Inserted || r.state == State::Discarded;
                               }),
                rows_.end());
    for (Row& r : rows_) {
        r.state = State::Clean;
        r.changed.fill(false);
    }
    current_ = -1;
    rebuildView();
}

void RecordSet::settle() {
    const int keep = (current_ >= 0 && current_ < int(view_.size())) ? view_[current_] : -1;
    std::vector<int> remap(rows_.size(), -1);
    std::vector<Row> kept;
    kept.reserve(rows_.size());
    for (int i = 0; i < int(rows_.size()); ++i) {
        Row& r = rows_[i];
        if (r.state == State::Deleted || r.state == State::Discarded) continue;
        r.state = State::Clean;
        r.changed.fill(false);
        r.original = r.values;
        remap[i] = int(kept.size());
        kept.push_back(std::move(r));
    }
    rows_ = std::move(kept);
    for (int& index : view_) index = remap[index];
    view_.erase(std::remove(view_.begin(), view_.end(), -1), view_.end());
    const int target = keep >= 0 ? remap[keep] : -1;
    const auto found = std::find(view_.begin(), view_.end(), target);
    current_ = found != view_.end() ? int(found - view_.begin()) : (view_.empty() ? -1 : 0);
}
