#include <QScreen>

#include "AppState.h"
#include "GuiPrompter.h"
#include "GztApplication.h"
#include "InstanceLock.h"
#include "TDM.h"
#include "TfrmMainGZT.h"

int main(int argc, char** argv) {
    GztApplication app(argc, argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("青禾工资条打印软件"));
    AppPath = ProgramFolder();

    // The data module tells the user once when the database cannot be opened; the window
    // opens all the same, with an empty month list.
    GuiPrompter prompter;
    InstanceLock lock(AppPath);
    if (!lock.acquire()) {
        prompter.warning(InstanceLock::runningMessage());
        return 0;
    }
    TDM dm(AppPath, prompter);
    DM = &dm;

    int result = 1;
    try {
        TfrmMainGZT window(dm, prompter);
        prompter.setParent(&window);
        // Without a window manager maximising does nothing, so the window takes the screen.
        if (const QScreen* screen = window.screen()) {
            window.setGeometry(screen->availableGeometry());
        }
        window.showMaximized();
        result = app.exec();
    } catch (...) {
        // Building the window failed before the event loop, where the general box would
        // have caught it; the program cannot go on without its window.
        GztApplication::showCurrentException();
    }
    DM = nullptr;
    return result;
}
