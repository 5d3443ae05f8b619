#include "DialogParts.h"

#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

void PrepareDialog(QDialog* dialog, const QString& objectName, const QString& caption,
                   QSize client) {
    dialog->setObjectName(objectName);
    dialog->setWindowTitle(caption);
    dialog->setFixedSize(client);
    dialog->setSizeGripEnabled(false);
}

QLabel* PlaceLabel(QWidget* parent, const QString& text, const QRect& geometry,
                   Qt::Alignment alignment, const QString& objectName) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(alignment);
    if (!objectName.isEmpty()) label->setObjectName(objectName);
    return label;
}

QGroupBox* MakeGroupBox(QWidget* parent, const QString& objectName, const QString& caption,
                        const QRect& geometry) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(objectName);
    box->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 3px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 8px; padding: 0px 2px; }"));
    box->setGeometry(geometry);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const QString& objectName, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    return button;
}

QWidget* PlaceButtonPanel(QDialog* dialog, int height,
                          std::initializer_list<QPushButton*> buttons) {
    auto* panel = new QFrame(dialog);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setGeometry(0, dialog->height() - height, dialog->width(), height);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(8, 0, 12, 0);
    layout->setSpacing(8);
    layout->addStretch(1);
    for (QPushButton* button : buttons) {
        button->setParent(panel);
        button->setFixedSize(75, 25);
        layout->addWidget(button);
    }
    return panel;
}

void SetBaseColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
}

void SetInfoTipBackground(QWidget* widget) {
    SetBaseColour(widget, widget->palette().color(QPalette::ToolTipBase));
}
