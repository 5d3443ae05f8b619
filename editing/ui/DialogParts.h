#pragma once

#include <QColor>
#include <QRect>
#include <QSize>
#include <QString>
#include <initializer_list>

class QDialog;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

// The common make of this folder's dialogs: fixed client size, labels and controls placed at
// fixed positions, and the buttons right-aligned in a bottom panel.

void PrepareDialog(QDialog* dialog, const QString& objectName, const QString& caption,
                   QSize client);

QLabel* PlaceLabel(QWidget* parent, const QString& text, const QRect& geometry,
                   Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter,
                   const QString& objectName = {});

// A group box whose caption sits in its top frame line, so that controls placed from the top
// of the box start just below the caption.
QGroupBox* MakeGroupBox(QWidget* parent, const QString& objectName, const QString& caption,
                        const QRect& geometry);

QPushButton* MakeButton(QWidget* parent, const QString& objectName, const QString& text);

// A panel of `height` pixels across the bottom of the dialog holding `buttons`, right-aligned.
QWidget* PlaceButtonPanel(QDialog* dialog, int height, std::initializer_list<QPushButton*> buttons);

// The background of a box's text area.
void SetBaseColour(QWidget* widget, const QColor& colour);
// The pale background of read-only boxes that only show something.
void SetInfoTipBackground(QWidget* widget);
