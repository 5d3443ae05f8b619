#include "TfrmAbout.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "AppState.h"
#include "Pub.h"

namespace {

QLabel* addLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

void makeLinkLook(QLabel* label) {
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
}

}  // namespace

TfrmAbout::TfrmAbout(const AboutInfo& info, QWidget* parent)
    : QDialog(parent), homePage_(info.homePage) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(info.caption);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->installEventFilter(this);

    QLabel* Label1 = addLabel(this, "Label1", info.caption);
    QFont large = Label1->font();
    large.setPixelSize(15);
    Label1->setFont(large);
    QLabel* Label2 = addLabel(this, "Label2", info.version);
    QLabel* Label3 = addLabel(this, "Label3", info.vendor);
    QLabel* Label4 = addLabel(this, "Label4", QStringLiteral("网址："));
    Label5 = addLabel(this, "Label5", info.homePage);
    makeLinkLook(Label5);
    Label5->installEventFilter(this);

    auto* cmdClose = new QPushButton(QStringLiteral("确认(&E)"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QGridLayout;
    texts->setHorizontalSpacing(4);
    texts->setVerticalSpacing(10);
    texts->addWidget(Label1, 0, 0, 1, 2);
    texts->addWidget(Label2, 1, 0, 1, 2);
    texts->addWidget(Label3, 2, 0, 1, 2);
    texts->addWidget(Label4, 3, 0);
    texts->addWidget(Label5, 3, 1);
    texts->setColumnStretch(1, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(top);
    layout->addStretch(1);
    layout->addLayout(bottom);
    setFixedSize(380, 175);
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Image1 || watched == Label5) && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        OpenInBrowser(homePage_);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ShowAbout(const TVendorInfo& vendor, TDM& dm, QWidget* parent) {
    TfrmAbout dialog(AboutInfo::make(vendor, AboutInfo::clientVersion(dm)), parent);
    if (const QScreen* screen = dialog.screen()) {
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    }
    dialog.exec();
}
