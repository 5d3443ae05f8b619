#include "PrintPayslips.h"

#include <QDir>
#include <QRegularExpression>

#include "DetailList.h"
#include "PayslipRun.h"
#include "ScreenReportOutput.h"

bool PrintPayslips(Database& db, Prompter& prompter, const QString& appPath, DetailList& list,
                   const TAppParams& params, const std::vector<int>& selectedRows,
                   bool selectedOnly, QWidget* parent) {
    // A month key is free text; characters a file name cannot hold are replaced.
    QString month = list.month();
    month.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]")),
                  QStringLiteral("_"));
    const QString proposed =
        QDir(QDir::homePath()).filePath(QStringLiteral("工资条%1.pdf").arg(month));
    ScreenReportOutput output(prompter, proposed, parent);
    PayslipRun run(db, prompter, appPath, list, params);
    return selectedOnly ? run.printSelected(selectedRows, output) : run.printAll(output);
}
