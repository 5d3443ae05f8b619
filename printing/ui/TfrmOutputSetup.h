#pragma once

#include <QDialog>
#include <QString>
#include <optional>

class Prompter;
class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// What the user chose in "打印设置".
struct OutputSetup {
    enum class Destination { Preview, Printer, File };
    Destination destination = Destination::Preview;
    QString fileName;  // the PDF file, for Destination::File
    int copies = 1;
    bool collate = true;
};

// "打印设置": where a report goes before it is printed: the preview (chosen at first), the
// printer (Qt's print dialog follows) or a PDF file, and how many copies.
class TfrmOutputSetup : public QDialog {
    Q_OBJECT

  public:
    // `prompter` asks for the file name; `proposedFile` is offered for the PDF.
    TfrmOutputSetup(Prompter& prompter, const QString& proposedFile, QWidget* parent = nullptr);

    // The choice once the dialog was confirmed; empty when it was cancelled.
    const std::optional<OutputSetup>& result() const { return result_; }

    QRadioButton* previewButton() const { return rbPreview; }
    QRadioButton* printerButton() const { return rbPrinter; }
    QRadioButton* fileButton() const { return rbFile; }
    QLineEdit* fileEdit() const { return editFile; }
    QPushButton* browseButton() const { return btnBrowse; }
    QSpinBox* copiesBox() const { return spinCopies; }
    QCheckBox* collateBox() const { return checkCollate; }
    QPushButton* confirmButton() const { return btnOk; }
    QPushButton* cancelButton() const { return btnCancel; }

  private:
    void destinationChanged();
    void browseClick();
    void confirmClick();

    Prompter& prompter_;
    QRadioButton* rbPreview;
    QRadioButton* rbPrinter;
    QRadioButton* rbFile;
    QLineEdit* editFile;
    QPushButton* btnBrowse;
    QSpinBox* spinCopies;
    QCheckBox* checkCollate;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    std::optional<OutputSetup> result_;
};

// Shows "打印设置" modally; the choice, or nothing when the user cancelled.
std::optional<OutputSetup> ShowOutputSetup(Prompter& prompter, const QString& proposedFile,
                                           QWidget* parent);
