// Writes the eight electronic payslip templates (RPT/GZBill*.xls) into the folder
// given on the command line. Run by the build for the program folder's RPT/.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "EPayslipTemplates.h"
#include "FileError.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: gzt_make_xls_templates FOLDER\n");
        return 2;
    }
    try {
        EPayslipTemplates::writeAll(args.at(1));
    } catch (const FileError& e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
