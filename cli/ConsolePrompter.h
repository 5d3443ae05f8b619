#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "Prompter.h"

// What the window would show, written to standard error. A confirmation is answered by --yes
// (and refused without it); an input box gets the answer the command gave it, or is cancelled.
class ConsolePrompter : public Prompter {
  public:
    explicit ConsolePrompter(bool yes) : yes_(yes) {}

    void setInput(std::optional<QString> answer) { input_ = std::move(answer); }
    void setFile(std::optional<QString> path) { file_ = std::move(path); }
    // True once an error or a refused confirmation was shown: the command then failed.
    bool failed() const { return failed_; }
    bool refused() const { return refused_; }
    // Every text shown, for commands that decide by the message.
    const QStringList& shown() const { return shown_; }

    void info(const QString& text) override;
    void warning(const QString& text) override;
    void error(const QString& text) override;
    bool confirm(const QString& text) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt,
                                     const QString& initial) override;
    std::optional<QString> chooseOpenFile(const QString& title, const QString& folder,
                                          const QString& filter) override;
    std::optional<QString> chooseSaveFile(const QString& title, const QString& proposed,
                                          const QString& filter) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& start) override;

  private:
    void show(const QString& text);

    bool yes_;
    bool failed_ = false;
    bool refused_ = false;
    std::optional<QString> input_;
    std::optional<QString> file_;
    QStringList shown_;
};
