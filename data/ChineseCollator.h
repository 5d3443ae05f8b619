#pragma once

#include <QCollator>
#include <QString>

// Orders text the Chinese way: Chinese characters by their pinyin reading (before Latin letters,
// as the Chinese locale's collation has it), letters without regard to letter case, and digits
// by value inside a text ("2" before "10").
class ChineseCollator {
  public:
    ChineseCollator();
    int compare(const QString& a, const QString& b) const;
    int compare(QStringView a, QStringView b) const;
    bool less(const QString& a, const QString& b) const { return compare(a, b) < 0; }
    QCollatorSortKey sortKey(const QString& text) const { return collator_.sortKey(text); }

  private:
    QCollator collator_;
};
