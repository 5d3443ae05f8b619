#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "AppState.h"
#include "RecordSet.h"

class Prompter;
class TDM;

// How the attendance edits of the record editor are captioned and what they admit, by the
// parameters' attendance mode (PrintDays).
struct AttendanceFormat {
    QString rateCaption;   // over the rate edit: "工资/天", "工资/小时", "工资/件"
    QString countCaption;  // over the count edit: "出勤天数" or "完工件数"
    QString countMask;     // input mask of the count edit
    QString hoursMask;     // input mask of the hours edit
    bool hoursEnabled = true;
};

// One amount field of the record editor. A bound slot shows one salary item of the month.
struct AmountSlot {
    bool bound = false;
    QString caption;  // GZName of the item
    QString field;    // the TGZ column it stores into (GZField1)
    QString text;     // what the edit holds
    // What the edit showed once the row was loaded, and the stored amount behind it: as long
    // as the clerk leaves the text alone the stored amount counts and is written back, so a
    // display that rounds (the whole-number display shows 100.4 as "100") never changes it.
    QString loadedText;
    double storedValue = 0;
};

// The record editor without its window: binds the month's enabled salary items to the 30
// earnings and 15 deduction slots, loads one TGZ row, keeps the three totals live, runs the
// calculation buttons and writes the row. The dialog shows what this holds and hands every
// change of a text back to it.
class SalaryRecordEditor {
  public:
    enum class Group { Earnings, Deductions };
    static constexpr int EarningSlots = 30;
    static constexpr int DeductionSlots = 15;

    // The attendance calculator: receives the days worked, returns whether the user
    // confirmed, the days the month requires and the days worked as the user left them.
    using DayCalculator = std::function<bool(double& required, double& worked)>;

    // The texts of the editor's other boxes, as typed.
    struct Form {
        QString month;
        QString department;
        QString code;
        QString name;
        QString position;
        QString email;
        QString remark;
        QString count;  // days worked, or pieces in piece-work mode
        QString hours;
        QString rate;  // wage per day, hour or piece
    };

    // `recordId` below 1 (the main window passes -1) opens an empty form for a new row.
    SalaryRecordEditor(TDM& dm, Prompter& prompter, const TAppParams& params, qint64 recordId,
                       const QString& month);

    // Binds the slots, fills the pick lists and loads the row. Tells the user
    // "读取数据库发生错误！" and returns false when the row or the items cannot be read.
    bool ReadyData();

    // The texts the dialog shows have been put into its boxes: what they hold now is the
    // untouched state of the row (a masked box may have reshaped a text).
    void markTextsAsLoaded();

    Form form;

    const QString& displayFormat() const { return format_; }
    const AttendanceFormat& attendance() const { return attendance_; }
    // Input mask of the rate edit and the 45 amount edits; empty under the whole-number display.
    const QString& amountMask() const { return amountMask_; }
    const QStringList& departments() const { return departments_; }
    const QStringList& names() const { return names_; }
    const QStringList& positions() const { return positions_; }

    static int slotCount(Group group) {
        return group == Group::Earnings ? EarningSlots : DeductionSlots;
    }
    // `index` counts from 0: slot 1 is index 0.
    const AmountSlot& slot(Group group, int index) const;
    // A new text of an amount edit; the totals follow at once.
    void setSlotText(Group group, int index, const QString& text);

    // Recomputes the three totals. While an amount cannot be read the totals show nothing,
    // never a wrong sum.
    void AutoCalc();
    const QString& earningsTotal() const { return yfText_; }
    const QString& deductionsTotal() const { return kkText_; }
    const QString& netPay() const { return sfText_; }

    // "第一应发项目=出勤时间X单价": earnings slot 1 := attendance x rate. False when nothing
    // changed (no earnings slot, or a number the user is told cannot be read).
    bool Button5Click();
    // "应发工资不满1月自动计算": scales every bound earnings amount by worked / required days.
    // False when nothing changed.
    bool Button3Click(const DayCalculator& calculator);
    // Checks and writes the row; tells the user what is missing or failed.
    bool SaveData();

    bool saved() const { return saved_; }
    qint64 recordId() const { return recordId_; }

    static AttendanceFormat attendanceFor(const TAppParams& params);

  private:
    struct NumberBox {
        QString loadedText;
        double storedValue = 0;
    };
    struct RowValues {
        double rate = 0;
        double count = 0;
        double hours = 0;
        std::vector<double> earnings;
        std::vector<double> deductions;
    };

    std::vector<AmountSlot>& slotsOf(Group group);
    const std::vector<AmountSlot>& slotsOf(Group group) const;
    void fillPickLists();
    void loadRow();
    void bindSlots(Group group);
    double storedNumber(const QString& field) const;
    static double slotValue(const AmountSlot& slot);
    static double boxValue(const QString& caption, const QString& text, const NumberBox& box);
    std::vector<double> values(Group group) const;
    double sum(Group group) const;
    double countValue() const;
    double hoursValue() const;
    double rateValue() const;
    RowValues readValues() const;
    bool rowStillStored() const;
    void writeRow(const RowValues& values);

    TDM& dm_;
    Prompter& prompter_;
    TAppParams params_;
    qint64 recordId_;
    QString format_;
    QString amountMask_;
    AttendanceFormat attendance_;
    QStringList departments_;
    QStringList names_;
    QStringList positions_;
    std::vector<AmountSlot> earnings_;
    std::vector<AmountSlot> deductions_;
    NumberBox count_;
    NumberBox hours_;
    NumberBox rate_;
    QString yfText_;
    QString kkText_;
    QString sfText_;
    RecordSet dsGZDetail;
    bool saved_ = false;
};
