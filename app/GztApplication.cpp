#include "GztApplication.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>
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
    // Qt's own dialogs (file choosers, their questions) speak Chinese like the rest.
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(translator);
    }
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
