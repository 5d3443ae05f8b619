#pragma once

#include <QApplication>

// The application object of the window program: Fusion style, the program font 宋体 9 pt, and
// the general error box. An error that no operation caught and that escapes an event handler
// is shown with its own text, and the program goes on with the next event.
class GztApplication : public QApplication {
    Q_OBJECT

  public:
    GztApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows `text` in the general error box, owned by the active window when there is one.
    static void showError(const QString& text);
    // Shows the exception being handled with its own text; call it from a catch block.
    static void showCurrentException();
};
