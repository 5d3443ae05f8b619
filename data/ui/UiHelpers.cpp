#include "UiHelpers.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

std::optional<QString> BrowseForFolder(QWidget* owner, const QString& title,
                                       const QString& startFolder) {
    const QString folder =
        QFileDialog::getExistingDirectory(owner, title, startFolder, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

namespace {

bool IsMultiLine(const QWidget* control) {
    // Key events may reach the viewport of a text control rather than the control itself.
    for (const QWidget* w = control; w; w = w->parentWidget()) {
        if (qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w)) {
            return true;
        }
        if (w->isWindow()) {
            break;
        }
    }
    return false;
}

// The widget Tab would move to: the next one in the focus chain of the same window that takes
// focus by Tab and can be reached.
QWidget* NextTabControl(QWidget* control) {
    QWidget* window = control->window();
    for (QWidget* w = control->nextInFocusChain(); w && w != control; w = w->nextInFocusChain()) {
        if (w->window() == window && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
            !w->focusProxy() && w->isEnabled() && w->isVisibleTo(window)) {
            return w;
        }
    }
    return nullptr;
}

}  // namespace

bool EnterToNextControl(QWidget* control, QKeyEvent* event) {
    if (!control || !event || event->type() != QEvent::KeyPress) {
        return false;
    }
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        return false;
    }
    if (IsMultiLine(control) && !(event->modifiers() & Qt::ControlModifier)) {
        return false;
    }
    QWidget* next = NextTabControl(control);
    if (!next) {
        return false;
    }
    next->setFocus(Qt::TabFocusReason);
    event->accept();
    return true;
}
