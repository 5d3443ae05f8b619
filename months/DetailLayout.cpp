#include "DetailLayout.h"

#include "Schema.h"

QString DetailColumn::group() const {
    const int bar = title.indexOf(u'|');
    return bar < 0 ? QString() : title.left(bar);
}

QString DetailColumn::caption() const {
    const int bar = title.indexOf(u'|');
    return bar < 0 ? title : title.mid(bar + 1);
}

DetailLayout::DetailLayout() : amountFormat_(QStringLiteral("0")) {
    using F = DetailColumn::Footer;
    const auto add = [this](const QString& field, const QString& title, int width,
                            const QString& format = {}, F footer = F::None,
                            const QString& footerText = {}) {
        columns_.push_back({field, title, true, width, format, footer, footerText});
    };
    add(QStringLiteral("ID"), QString(), 40);
    columns_.back().visible = false;
    add(QStringLiteral("SortIdx"), QStringLiteral("序号"), 36, {}, F::Text, QStringLiteral("合计"));
    add(QStringLiteral("GZMonth"), QStringLiteral("月度"), 56);
    add(QStringLiteral("DepartName"), QStringLiteral("部门"), 72);
    add(QStringLiteral("EmpCode"), QStringLiteral("职员编码"), 60);
    add(QStringLiteral("EmpName"), QStringLiteral("姓名"), 60, {}, F::Count, QStringLiteral("0条"));
    add(QStringLiteral("ZWName"), QStringLiteral("职务"), 56);
    add(QStringLiteral("WorkDays"), QStringLiteral("出勤天数"), 56, QStringLiteral("0.00"));
    add(QStringLiteral("HourCount"), QStringLiteral("出勤小时"), 56, QStringLiteral("0.0"));
    columns_.back().visible = false;
    add(QStringLiteral("OneDayMOney"), QStringLiteral("工资/天"), 52, QStringLiteral("0"));
    for (int i = 1; i <= Schema::EarningCount; ++i) {
        add(QStringLiteral("GZ%1").arg(i), QStringLiteral("应发工资|工资项目"), 52,
            QStringLiteral("0"), F::Sum);
    }
    add(QStringLiteral("YFTotal"), QStringLiteral("应发工资|合计"), 60, QStringLiteral("0"),
        F::Sum);
    for (int i = 1; i <= Schema::DeductionCount; ++i) {
        add(QStringLiteral("KK%1").arg(i), QStringLiteral("应扣/代扣工资|工资项目"), 52,
            QStringLiteral("0"), F::Sum);
    }
    add(QStringLiteral("KKTotal"), QStringLiteral("应扣/代扣工资|合计"), 60, QStringLiteral("0"),
        F::Sum);
    add(QStringLiteral("GZTotal"), QStringLiteral("实发工资"), 64, QStringLiteral("0"), F::Sum);
    add(QStringLiteral("QM"), QStringLiteral("签名/备注"), 80);
    add(QStringLiteral("EMail"), QStringLiteral("电子邮件地址"), 120);
    add(QStringLiteral("LOGTime"), QStringLiteral("登记时间"), 96,
        QStringLiteral("yy-MM-dd hh:nn"));
}

int DetailLayout::GetCol(const QString& field) const {
    for (int i = 0; i < size(); ++i) {
        if (columns_[i].field.compare(field, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

void DetailLayout::setAmountFormat(const QString& format) {
    amountFormat_ = format;
    for (int i = GetCol(QStringLiteral("OneDayMOney")); i <= NetPay; ++i)
        columns_[i].format = format;
}
