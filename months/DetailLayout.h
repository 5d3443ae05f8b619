#pragma once

#include <QString>
#include <vector>

// The detail list's 61 columns in their fixed positions. Printing, export, the POS slips and the
// statistics window read captions, visibility and formats from here, never from a widget.
// A title holding a vertical bar ("应发工资|基本工资") is a two-level title: the group above, the
// column's own caption below.
struct DetailColumn {
    enum class Footer { None, Text, Count, Sum };

    QString field;
    QString title;
    bool visible = true;
    int width = 60;
    QString format;  // display format of numbers ("0", "0.00", "0.0") or of LOGTime
    Footer footer = Footer::None;
    QString footerText;  // "合计" for the static text, the count's format "0条"

    // The part of the title above the bar, or empty for a single-level title.
    QString group() const;
    // The part of the title below the bar, or the whole title.
    QString caption() const;
    bool isAmount() const { return footer == Footer::Sum; }
};

class DetailLayout {
  public:
    static constexpr int ColumnCount = 61;
    static constexpr int FirstEarning = 10;    // GZ1
    static constexpr int EarningTotal = 40;    // YFTotal
    static constexpr int FirstDeduction = 41;  // KK1
    static constexpr int DeductionTotal = 56;  // KKTotal
    static constexpr int NetPay = 57;          // GZTotal

    DetailLayout();

    const std::vector<DetailColumn>& columns() const { return columns_; }
    const DetailColumn& column(int position) const { return columns_.at(position); }
    DetailColumn& column(int position) { return columns_.at(position); }
    int size() const { return int(columns_.size()); }

    // Position of the first column bound to `field`, without regard to letter case; -1 if none.
    int GetCol(const QString& field) const;

    // Amount format of the wage-per-day column through the net pay ("0" or "0.00").
    void setAmountFormat(const QString& format);
    const QString& amountFormat() const { return amountFormat_; }

  private:
    std::vector<DetailColumn> columns_;
    QString amountFormat_;
};
