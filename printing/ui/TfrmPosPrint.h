#pragma once

#include <QDialog>
#include <QString>

class DetailList;
class Prompter;
class QPagedPaintDevice;
class QPushButton;
class QTextEdit;
class QToolButton;

// "POS打印机打印": shows tmp.Txt (empty when there is none), switches the text between 9 and 11
// points and prints it in the size shown on the default printer, without a dialog.
class TfrmPosPrint : public QDialog {
    Q_OBJECT

  public:
    static constexpr int SmallPoints = 9;
    static constexpr int LargePoints = 11;

    explicit TfrmPosPrint(const QString& appPath, QWidget* parent = nullptr);

    int textPointSize() const;
    // Prints the text as shown onto `device`; "打印(&P)" prints onto the default printer.
    void printTo(QPagedPaintDevice& device) const;

    QTextEdit* RichEdit1;
    QToolButton* cmdMin;
    QToolButton* cmdMax;
    QPushButton* Button4;
    QPushButton* Button5;

  private:
    void setTextPointSize(int points);
    void Button4Click();
};

// "POS工资条" (Button14): writes tmp.Txt from the list's rows and opens "POS打印机打印". False,
// with "没有用于打印的工资数据！", when the list is not loaded; tmp.Txt then stays as it was.
bool PrintPosSlips(Prompter& prompter, const QString& appPath, const DetailList& list,
                   const QString& amountFormat, QWidget* parent);
