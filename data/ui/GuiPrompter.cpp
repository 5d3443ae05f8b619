#include "GuiPrompter.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

// Labels of the dialog Qt draws itself; a native dialog takes what it can of them.
void labelFileDialog(QFileDialog& dialog, const QString& acceptText) {
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围："));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("文件名："));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("文件类型："));
    dialog.setLabelText(QFileDialog::Accept, acceptText);
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
}

std::optional<QString> firstChosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front();
}

}  // namespace

void GuiPrompter::info(const QString& text) {
    showBox(parent_, QMessageBox::Information, QStringLiteral("提示"), text);
}

void GuiPrompter::warning(const QString& text) {
    showBox(parent_, QMessageBox::Warning, QStringLiteral("警告"), text);
}

void GuiPrompter::error(const QString& text) {
    showBox(parent_, QMessageBox::Critical, QStringLiteral("错误"), text);
}

bool GuiPrompter::confirm(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("确认"), text,
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    // Escape and the title bar press the escape button, so they answer No.
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

std::optional<QString> GuiPrompter::inputText(const QString& title, const QString& prompt,
                                              const QString& initial) {
    QInputDialog dialog(parent_);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> GuiPrompter::chooseOpenFile(const QString& title, const QString& folder,
                                                   const QString& filter) {
    QFileDialog dialog(parent_, title, folder, toQtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    labelFileDialog(dialog, QStringLiteral("打开"));
    return firstChosen(dialog);
}

std::optional<QString> GuiPrompter::chooseSaveFile(const QString& title, const QString& proposed,
                                                   const QString& filter) {
    QFileDialog dialog(parent_, title, QString(), toQtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(proposed);
    labelFileDialog(dialog, QStringLiteral("保存"));
    return firstChosen(dialog);
}

std::optional<QString> GuiPrompter::chooseFolder(const QString& title, const QString& start) {
    QFileDialog dialog(parent_, title, start);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    labelFileDialog(dialog, QStringLiteral("选择"));
    return firstChosen(dialog);
}

QString GuiPrompter::toQtFilter(const QString& filter) {
    if (!filter.contains(u'|')) return filter;
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    // Pairs of description and patterns; a description left without patterns is dropped.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        QString qtPatterns = patterns;
        qtPatterns.replace(u';', u' ');
        const QString shown = u'(' + patterns + u')';
        if (description.endsWith(shown)) {
            description.chop(shown.size());
            filters << description + u'(' + qtPatterns + u')';
        } else {
            filters << description + QStringLiteral(" (") + qtPatterns + u')';
        }
    }
    return filters.join(QStringLiteral(";;"));
}
