#include "TfrmPosPrint.h"

#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>
#include <memory>

#include "DialogParts.h"
#include "GbkText.h"
#include "PosSlipText.h"
#include "ReportError.h"
#include "ReportFonts.h"

namespace {

constexpr int kPanelHeight = 41;

}  // namespace

TfrmPosPrint::TfrmPosPrint(const QString& appPath, QWidget* parent)
    : QDialog(parent),
      RichEdit1(new QTextEdit(this)),
      cmdMin(new QToolButton),
      cmdMax(new QToolButton),
      Button4(MakeButton(this, QStringLiteral("Button4"), QStringLiteral("打印(&P)"))),
      Button5(MakeButton(this, QStringLiteral("Button5"), QStringLiteral("取消(&X)"))) {
    PrepareDialog(this, QStringLiteral("frmPosPrint"), QStringLiteral("POS打印机打印"),
                  QSize(308, 551));
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setAcceptRichText(false);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setGeometry(0, 0, width(), height() - kPanelHeight);
    setTextPointSize(SmallPoints);

    cmdMin->setObjectName(QStringLiteral("cmdMin"));
    cmdMin->setText(QStringLiteral("小"));
    cmdMin->setAutoRaise(true);
    cmdMax->setObjectName(QStringLiteral("cmdMax"));
    cmdMax->setText(QStringLiteral("大"));
    cmdMax->setAutoRaise(true);
    QFont large(ReportFonts::resolveFamily(QStringLiteral("宋体")));
    large.setPixelSize(15);
    cmdMax->setFont(large);

    Button5->setAutoDefault(false);
    connect(Button5, &QPushButton::clicked, this, &QDialog::reject);
    QWidget* panel = PlaceButtonPanel(this, kPanelHeight, {Button4, Button5});
    auto* buttons = static_cast<QHBoxLayout*>(panel->layout());
    buttons->insertWidget(0, cmdMax);
    buttons->insertWidget(0, cmdMin);
    for (QToolButton* button : {cmdMin, cmdMax}) button->setFixedSize(25, 25);

    connect(cmdMin, &QToolButton::clicked, this, [this] { setTextPointSize(SmallPoints); });
    connect(cmdMax, &QToolButton::clicked, this, [this] { setTextPointSize(LargePoints); });
    connect(Button4, &QPushButton::clicked, this, &TfrmPosPrint::Button4Click);

    const QString file = PosSlipText::filePath(appPath);
    if (QFile::exists(file)) {
        QString text = GbkText::readTextFile(file);
        // The end of the last line is no further line of the text.
        if (text.endsWith(u'\n')) text.chop(1);
        RichEdit1->setPlainText(text);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

int TfrmPosPrint::textPointSize() const {
    return RichEdit1->document()->defaultFont().pointSize();
}

void TfrmPosPrint::setTextPointSize(int points) {
    // The text is plain, so the document's font is the font of every character.
    QFont font(ReportFonts::resolveFamily(QStringLiteral("宋体")));
    font.setPointSize(points);
    RichEdit1->document()->setDefaultFont(font);
}

void TfrmPosPrint::printTo(QPagedPaintDevice& device) const {
    // Qt would add 2 cm margins to a document without pages, more than a receipt roll can
    // spare: the pages are the printable area of the paper, in the screen units the text is
    // laid out in.
    const std::unique_ptr<QTextDocument> pages(RichEdit1->document()->clone());
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96;
    const QRectF area = device.pageLayout().paintRect(QPageLayout::Inch);
    pages->setPageSize(area.size() * dpi);
    // On paper a line too long for the roll goes on below rather than losing its value.
    QTextOption wrapping = pages->defaultTextOption();
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    pages->setDefaultTextOption(wrapping);
    pages->print(&device);
}

void TfrmPosPrint::Button4Click() {
    // Without a printer Qt would quietly print into nowhere.
    if (QPrinterInfo::defaultPrinter().isNull()) {
        throw ReportError(QStringLiteral("没有可用的打印机"));
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString());
    printTo(printer);
}

bool PrintPosSlips(Prompter& prompter, const QString& appPath, const DetailList& list,
                   const QString& amountFormat, QWidget* parent) {
    if (!PosSlipText::writeFile(prompter, list, amountFormat, appPath)) return false;
    TfrmPosPrint window(appPath, parent);
    window.exec();
    return true;
}
