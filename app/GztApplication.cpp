#include "GztApplication.h"

#include <QFont>
#include <QStyleFactory>
#include <exception>

#include "DatabaseError.h"
#include "FileError.h"
#include "GuiPrompter.h"

GztApplication::GztApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // 宋体 exists on Chinese Windows only; elsewhere AR PL UMing CN is the Song face whose text
    // survives in PDF output, so it is named instead of leaving the choice to fontconfig.
    const QString song = QStringLiteral("AR PL UMing CN");
    QFont::insertSubstitution(QStringLiteral("宋体"), song);
    QFont::insertSubstitution(QStringLiteral("SimSun"), song);
    setFont(QFont(QStringLiteral("宋体"), 9));
}

bool GztApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentException();
    }
    return false;
}

void GztApplication::showCurrentException() {
    try {
        throw;
    } catch (const DatabaseError& e) {
        showError(e.message());
    } catch (const FileError& e) {
        showError(e.message());
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        showError(QStringLiteral("程序发生未知错误！"));
    }
}

void GztApplication::showError(const QString& text) {
    GuiPrompter(activeWindow()).error(text);
}
