// gztctl: the program's work on a program folder, without a window.
#include <QGuiApplication>

#include "AppState.h"
#include "GztCtl.h"

int main(int argc, char** argv) {
    // Payslips are laid out with real font metrics, which need a GUI application; without a
    // display it runs on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    return GztCtl(ProgramFolder()).run(arguments);
}
