#pragma once

#include <QPointer>
#include <QWidget>

#include "Prompter.h"

// The Prompter of the window program: message boxes, input boxes and file choosers owned by
// one parent window. No translator is loaded, so every button text is set here in Chinese.
//
// File filters may be written either as Qt does ("说明 (*.a *.b);;...") or in the
// "说明|*.a;*.b|..." form the message texts of this program use; see toQtFilter().
class GuiPrompter : public Prompter {
  public:
    explicit GuiPrompter(QWidget* parent = nullptr) : parent_(parent) {}

    // The main window exists only after the data module has used this prompter, so the owner
    // of the boxes is set once it does.
    void setParent(QWidget* parent) { parent_ = parent; }
    QWidget* parent() const { return parent_; }

    void info(const QString& text) override;
    void warning(const QString& text) override;
    void error(const QString& text) override;
    // Yes is the default button; Escape and the title bar answer No.
    bool confirm(const QString& text) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt,
                                     const QString& initial) override;
    std::optional<QString> chooseOpenFile(const QString& title, const QString& folder,
                                          const QString& filter) override;
    std::optional<QString> chooseSaveFile(const QString& title, const QString& proposed,
                                          const QString& filter) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& start) override;

    // Turns "说明|*.a;*.b|说明2|*.c" into "说明 (*.a *.b);;说明2 (*.c)". A description that
    // already ends in its patterns in brackets ("备份(*.GZBK)|*.GZBK") gets no second copy of
    // them. A text without "|" is taken to be a Qt filter already.
    static QString toQtFilter(const QString& filter);

  private:
    QPointer<QWidget> parent_;
};
