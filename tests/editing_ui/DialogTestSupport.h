#pragma once

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QKeyEvent>
#include <QStyleFactory>
#include <QWidget>

#include "ModalWatch.h"

// The look the window program runs with: Fusion, and 宋体 9 pt drawn by AR PL UMing CN.
inline void UseProgramLook() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"));
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
}

// The control that has the focus, a combo box standing for its own line edit.
inline QWidget* FocusedControl() {
    QWidget* w = QApplication::focusWidget();
    if (w && qobject_cast<QComboBox*>(w->parentWidget())) return w->parentWidget();
    return w;
}

// Types `text` into `widget` one character at a time, as a keyboard (or an input method
// committing one character) would; QTest::keyClicks takes Latin-1 only.
inline void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}
