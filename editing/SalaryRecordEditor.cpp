#include "SalaryRecordEditor.h"

#include <QDateTime>
#include <QRegularExpression>

#include "AmountTextError.h"
#include "DatabaseError.h"
#include "NumberText.h"
#include "Prompter.h"
#include "Pub.h"
#include "Schema.h"
#include "TDM.h"

namespace {

const QString kTwoDecimals = QStringLiteral("0.00");
const QString kReadError = QStringLiteral("读取数据库发生错误！");

// The value of a text the editor formatted itself: a total, which may be negative.
double formattedValue(const QString& text) {
    if (text.startsWith(u'-')) return -NumberText::value(text.mid(1)).value_or(0);
    return NumberText::value(text).value_or(0);
}

QString asText(const QVariant& v) {
    return (!v.isValid() || v.isNull()) ? QString() : v.toString();
}

QString rowColumns() {
    QStringList columns{
        QStringLiteral("ID"),         QStringLiteral("GZMonth"),    QStringLiteral("EmpName"),
        QStringLiteral("DepartName"), QStringLiteral("EmpCode"),    QStringLiteral("ZWName"),
        QStringLiteral("EMail"),      QStringLiteral("QM"),         QStringLiteral("WorkDays"),
        QStringLiteral("HourCount"),  QStringLiteral("OneDayMOney")};
    for (int i = 1; i <= Schema::EarningCount; ++i) columns << QStringLiteral("GZ%1").arg(i);
    columns << QStringLiteral("YFTotal");
    for (int i = 1; i <= Schema::DeductionCount; ++i) columns << QStringLiteral("KK%1").arg(i);
    columns << QStringLiteral("KKTotal") << QStringLiteral("GZTotal") << QStringLiteral("LOGTime");
    return columns.join(u',');
}

// An item may only bind an amount column of its own kind; anything else (a misspelt name, the
// key, a total) would have the editor write where no amount belongs.
bool isAmountColumn(SalaryRecordEditor::Group group, const QString& field) {
    static const QRegularExpression earning(QStringLiteral("^GZ([1-9]|[12][0-9]|30)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression deduction(QStringLiteral("^KK([1-9]|1[0-5])$"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression& pattern =
        group == SalaryRecordEditor::Group::Earnings ? earning : deduction;
    return pattern.match(field).hasMatch();
}

}  // namespace

SalaryRecordEditor::SalaryRecordEditor(TDM& dm, Prompter& prompter, const TAppParams& params,
                                       qint64 recordId, const QString& month)
    : dm_(dm),
      prompter_(prompter),
      params_(params),
      recordId_(recordId),
      earnings_(EarningSlots),
      deductions_(DeductionSlots),
      dsGZDetail(&dm.ADOLocal) {
    form.month = month;
}

AttendanceFormat SalaryRecordEditor::attendanceFor(const TAppParams& params) {
    AttendanceFormat format{QStringLiteral("工资/天"), QStringLiteral("出勤天数"),
                            QStringLiteral("00.00;_"), QStringLiteral("0000.0;_"), true};
    switch (params.PrintDays) {
        case 1:
            format.hoursEnabled = false;
            break;
        case 2:
            format.rateCaption = QStringLiteral("工资/小时");
            break;
        case 3:
            format.rateCaption = QStringLiteral("工资/") + params.JJUnit;
            format.countCaption = QStringLiteral("完工件数");
            format.countMask = QStringLiteral("0000.0;_");
            format.hoursEnabled = false;
            break;
        default:
            break;
    }
    return format;
}

bool SalaryRecordEditor::ReadyData() {
    format_ = AmountFormat(params_);
    attendance_ = attendanceFor(params_);
    // SetEditFormat: up to seven integer digits and two decimals around a fixed point.
    amountMask_ = params_.ShowFloat != 0 ? QStringLiteral("0000000.00; ") : QString();
    fillPickLists();
    try {
        loadRow();
        bindSlots(Group::Earnings);
        bindSlots(Group::Deductions);
    } catch (const DatabaseError&) {
        prompter_.error(kReadError);
        return false;
    }
    markTextsAsLoaded();
    return true;
}

void SalaryRecordEditor::fillPickLists() {
    // The newest other month knows the departments, names and positions of this company.
    QString source = dm_.GetDataBySQL(
        QStringLiteral("Select GZMonth from TGZMonth where GZMonth<>? Order by ID desc LIMIT 1"),
        {form.month});
    if (source.isEmpty()) source = form.month;
    const auto fill = [&](const char* column, QStringList& items) {
        const QString name = QString::fromLatin1(column);
        dm_.GetDataBySQLToItems(
            QStringLiteral("Select Distinct %1 from TGZ where GZMonth=? order by %1").arg(name),
            items, true, {source});
    };
    fill("DepartName", departments_);
    fill("EmpName", names_);
    fill("ZWName", positions_);
}

void SalaryRecordEditor::loadRow() {
    dsGZDetail.open(QStringLiteral("Select %1 from TGZ where ID=?").arg(rowColumns()), {recordId_},
                    QStringLiteral("TGZ"));
    const auto text = [&](const char* field) {
        return dsGZDetail.isEmpty() ? QString()
                                    : asText(dsGZDetail.value(0, QString::fromLatin1(field)));
    };
    form.department = text("DepartName");
    form.name = text("EmpName");
    form.code = text("EmpCode");
    form.position = text("ZWName");
    form.email = text("EMail");
    form.remark = text("QM");
    rate_.storedValue = storedNumber(QStringLiteral("OneDayMOney"));
    hours_.storedValue = storedNumber(QStringLiteral("HourCount"));
    count_.storedValue = storedNumber(QStringLiteral("WorkDays"));
    form.rate = FormatFloat(format_, rate_.storedValue);
    form.hours = FormatFloat(QStringLiteral("0.0"), hours_.storedValue);
    form.count = FormatFloat(kTwoDecimals, count_.storedValue);
}

double SalaryRecordEditor::storedNumber(const QString& field) const {
    if (!dsGZDetail.hasField(field)) {
        throw DatabaseError(QStringLiteral("字段不存在：%1").arg(field));
    }
    return dsGZDetail.isEmpty() ? 0.0 : VariantToDouble(dsGZDetail.value(0, field));
}

void SalaryRecordEditor::bindSlots(Group group) {
    const int type = group == Group::Earnings ? 0 : 1;
    const QString sql = QStringLiteral(
        "Select GZName, GZField1 from TGZSet where GZMonth=? and GZType=? and ShowStu=0 "
        "Order by SortIdx, ID");
    QueryResult items = dm_.ADOLocal.query(sql, {form.month, type});
    if (items.rows.empty()) items = dm_.ADOLocal.query(sql, {QStringLiteral("BASE"), type});

    std::vector<AmountSlot>& targets = slotsOf(group);
    const int count = std::min(int(items.rows.size()), int(targets.size()));
    for (int i = 0; i < count; ++i) {
        AmountSlot& slot = targets[i];
        slot.caption = asText(items.rows[i].value(0));
        slot.field = asText(items.rows[i].value(1));
        if (!isAmountColumn(group, slot.field)) {
            throw DatabaseError(
                QStringLiteral("工资项目“%1”的字段“%2”无效").arg(slot.caption, slot.field));
        }
        slot.bound = true;
        slot.storedValue = storedNumber(slot.field);
        slot.text = FormatFloat(format_, slot.storedValue);
        // The whole-number display leaves a zero amount empty.
        if (slot.text == u"0") slot.text.clear();
    }
}

void SalaryRecordEditor::markTextsAsLoaded() {
    for (std::vector<AmountSlot>* group : {&earnings_, &deductions_}) {
        for (AmountSlot& slot : *group) slot.loadedText = slot.text;
    }
    count_.loadedText = form.count;
    hours_.loadedText = form.hours;
    rate_.loadedText = form.rate;
    AutoCalc();
}

std::vector<AmountSlot>& SalaryRecordEditor::slotsOf(Group group) {
    return group == Group::Earnings ? earnings_ : deductions_;
}

const std::vector<AmountSlot>& SalaryRecordEditor::slotsOf(Group group) const {
    return group == Group::Earnings ? earnings_ : deductions_;
}

const AmountSlot& SalaryRecordEditor::slot(Group group, int index) const {
    return slotsOf(group).at(index);
}

void SalaryRecordEditor::setSlotText(Group group, int index, const QString& text) {
    AmountSlot& slot = slotsOf(group).at(index);
    if (slot.text == text) return;
    slot.text = text;
    AutoCalc();
}

double SalaryRecordEditor::slotValue(const AmountSlot& slot) {
    if (slot.text == slot.loadedText) return slot.storedValue;
    const std::optional<double> number = NumberText::value(slot.text);
    if (!number) throw AmountTextError(slot.caption, slot.text);
    return *number;
}

double SalaryRecordEditor::boxValue(const QString& caption, const QString& text,
                                    const NumberBox& box) {
    if (text == box.loadedText) return box.storedValue;
    const std::optional<double> number = NumberText::value(text);
    if (!number) throw AmountTextError(caption, text);
    return *number;
}

std::vector<double> SalaryRecordEditor::values(Group group) const {
    std::vector<double> result;
    for (const AmountSlot& slot : slotsOf(group))
        result.push_back(slot.bound ? slotValue(slot) : 0);
    return result;
}

double SalaryRecordEditor::sum(Group group) const {
    double total = 0;
    for (const double value : values(group)) total += value;
    return total;
}

double SalaryRecordEditor::countValue() const {
    return boxValue(attendance_.countCaption, form.count, count_);
}

double SalaryRecordEditor::hoursValue() const {
    return boxValue(QStringLiteral("出勤小时"), form.hours, hours_);
}

double SalaryRecordEditor::rateValue() const {
    return boxValue(attendance_.rateCaption, form.rate, rate_);
}

void SalaryRecordEditor::AutoCalc() {
    try {
        yfText_ = FormatFloat(format_, sum(Group::Earnings));
        kkText_ = FormatFloat(format_, sum(Group::Deductions));
    } catch (const AmountTextError&) {
        yfText_.clear();
        kkText_.clear();
        sfText_.clear();
        return;
    }
    // The net pay is the difference of the two totals as they are shown.
    sfText_ = FormatFloat(format_, formattedValue(yfText_) - formattedValue(kkText_));
}

bool SalaryRecordEditor::Button5Click() {
    // Without an earnings slot the product would land in a hidden edit that is never stored.
    if (!earnings_.front().bound) return false;
    double attendance = 0;
    double rate = 0;
    try {
        attendance = params_.PrintDays == 2 ? hoursValue() : countValue();
        rate = rateValue();
    } catch (const AmountTextError& e) {
        prompter_.warning(e.message());
        return false;
    }
    setSlotText(Group::Earnings, 0, FormatFloat(kTwoDecimals, attendance * rate));
    return true;
}

bool SalaryRecordEditor::Button3Click(const DayCalculator& calculator) {
    // Every amount is read before anything changes, so an unreadable one leaves all as it was.
    std::vector<double> amounts;
    double worked = 0;
    try {
        amounts = values(Group::Earnings);
        worked = countValue();
    } catch (const AmountTextError& e) {
        prompter_.warning(e.message());
        return false;
    }
    double required = 0;
    if (!calculator || !calculator(required, worked)) return false;
    if (required < 1) return false;
    for (int i = 0; i < EarningSlots; ++i) {
        AmountSlot& slot = earnings_[i];
        if (slot.bound) slot.text = FormatFloat(kTwoDecimals, amounts[i] * worked / required);
    }
    AutoCalc();
    return true;
}

SalaryRecordEditor::RowValues SalaryRecordEditor::readValues() const {
    RowValues values;
    values.rate = rateValue();
    values.count = countValue();
    values.hours = hoursValue();
    values.earnings = this->values(Group::Earnings);
    values.deductions = this->values(Group::Deductions);
    return values;
}

bool SalaryRecordEditor::SaveData() {
    if (form.department.isEmpty()) {
        prompter_.warning(QStringLiteral("请选择或输入部门！"));
        return false;
    }
    if (form.name.isEmpty()) {
        prompter_.warning(QStringLiteral("请选择或输入姓名！"));
        return false;
    }
    if (form.position.isEmpty()) form.position = QStringLiteral(" ");
    RowValues values;
    try {
        values = readValues();
    } catch (const AmountTextError& e) {
        prompter_.warning(e.message());
        return false;
    }
    AutoCalc();
    try {
        writeRow(values);
    } catch (const DatabaseError&) {
        // The set goes back to what the table holds, so a second attempt starts clean.
        dsGZDetail.cancelBatch();
        prompter_.error(QStringLiteral("存储数据库发生错误！"));
        return false;
    }
    saved_ = true;
    return true;
}

bool SalaryRecordEditor::rowStillStored() const {
    const QVariant id = dsGZDetail.value(0, QStringLiteral("ID"));
    // A row appended by an earlier attempt that failed has no key yet.
    if (!id.isValid() || id.isNull()) return true;
    return !dm_.ADOLocal.query(QStringLiteral("Select ID from TGZ where ID=?"), {id}).rows.empty();
}

void SalaryRecordEditor::writeRow(const RowValues& values) {
    // A row that is not there (a new one, or one deleted meanwhile) is created, with its entry
    // time; an existing row keeps the entry time it has.
    if (!dsGZDetail.isEmpty() && !rowStillStored()) {
        dsGZDetail.open(QStringLiteral("Select %1 from TGZ where ID=?").arg(rowColumns()),
                        {recordId_}, QStringLiteral("TGZ"));
    }
    if (dsGZDetail.isEmpty()) {
        dsGZDetail.append();
        dsGZDetail.setFieldValue(QStringLiteral("LOGTime"), QDateTime::currentDateTime());
    }
    dsGZDetail.setRecNo(0);
    const auto set = [&](const QString& field, const QVariant& value) {
        dsGZDetail.setFieldValue(field, value);
    };
    set(QStringLiteral("GZMonth"), form.month);
    set(QStringLiteral("DepartName"), form.department);
    set(QStringLiteral("EmpCode"), form.code);
    set(QStringLiteral("EMail"), form.email);
    set(QStringLiteral("EmpName"), form.name);
    set(QStringLiteral("ZWName"), form.position);
    set(QStringLiteral("QM"), form.remark);
    set(QStringLiteral("OneDayMOney"), values.rate);
    set(QStringLiteral("WorkDays"), values.count);
    set(QStringLiteral("HourCount"), values.hours);
    for (int i = 0; i < EarningSlots; ++i) {
        if (earnings_[i].bound) set(earnings_[i].field, values.earnings[i]);
    }
    for (int i = 0; i < DeductionSlots; ++i) {
        if (deductions_[i].bound) set(deductions_[i].field, values.deductions[i]);
    }
    set(QStringLiteral("YFTotal"), formattedValue(yfText_));
    set(QStringLiteral("KKTotal"), formattedValue(kkText_));
    set(QStringLiteral("GZTotal"), formattedValue(sfText_));
    dsGZDetail.updateBatch();
}
