// "从Excel导入" as the window program runs it, for the fault tests to run as a child and kill or
// starve of disk space: opens the real dialog offscreen for the month, chooses the file and the
// sheet, keeps the automatic mapping, clicks "导入数据" and closes the dialog; then, as the main
// window does once the dialog is closed, reloads the month and recomputes its totals (unless
// --no-recalc). Prints every message the user would have seen, one line each ("kind: text",
// line breaks as "\n"), and exits with 0 when an import ran, 1 when none did, 2 on bad use.
//
//   gzt_import_window <program folder> <month> <sheet file> <sheet name> [--no-recalc]

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "AppState.h"
#include "DetailList.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TfrmExcelLoadIn.h"

namespace {

struct Run {
    QString folder;
    QString month;
    QString file;
    QString sheet;
    bool recalc = true;
};

// Chooses the file and sheet, imports, and closes the dialog, once it is shown.
void importThroughTheDialog(TfrmExcelLoadIn& dialog, const Run& run, bool& imported) {
    QTimer::singleShot(0, &dialog, [&dialog, &run, &imported] {
        dialog.Button6->click();
        const int sheet = dialog.cmbTables->findText(run.sheet);
        if (sheet >= 0 && sheet != dialog.cmbTables->currentIndex()) {
            dialog.cmbTables->setCurrentIndex(sheet);
            emit dialog.cmbTables->activated(sheet);
        }
        dialog.Button4->click();
        imported = dialog.lastSummary().has_value();
        dialog.Button3->click();
    });
}

int importMonth(const Run& run, ScriptedPrompter& prompter) {
    TDM dm(run.folder, prompter);
    if (!dm.connected()) return 1;
    TAppParams params;
    LoadRegPara(dm, params);
    DetailList list(dm.ADOLocal, prompter);
    if (!list.ReadyGZList(run.month, params.PrintDays)) return 1;
    prompter.queueFile(run.file);
    bool imported = false;
    ExcelLoadInToolButton7Click(dm.ADOLocal, prompter, run.month, list.layout, nullptr,
                                [&run, &imported](TfrmExcelLoadIn& dialog) {
                                    importThroughTheDialog(dialog, run, imported);
                                });
    if (run.recalc) {
        list.ReadyGZList(run.month, params.PrintDays);
        list.ReCalcAll();
    }
    return imported ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 5 || args.size() > 6 || (args.size() == 6 && args[5] != u"--no-recalc")) {
        std::fputs(
            "gzt_import_window <program folder> <month> <sheet file> <sheet name> "
            "[--no-recalc]\n",
            stderr);
        return 2;
    }
    const Run run{args[1], args[2], args[3], args[4], args.size() == 5};
    ScriptedPrompter prompter;
    const int result = importMonth(run, prompter);
    for (const QString& line : prompter.shown())
        std::printf("%s\n",
                    QString(line).replace(u'\n', QStringLiteral("\\n")).toUtf8().constData());
    return result;
}
