#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "Prompter.h"

// A Prompter for tests: records every text the user would have seen, in order, as
// "kind: text", and answers questions from queued answers. A question without a queued answer
// fails the test, so a test states every answer the user gives.
class ScriptedPrompter : public Prompter {
  public:
    void queueConfirm(bool yes) { confirms_.push_back(yes); }
    void queueInput(const std::optional<QString>& answer) {
        inputs_.emplace_back(answer.has_value(), answer.value_or(QString()));
    }
    void queueFile(const std::optional<QString>& path) {
        files_.emplace_back(path.has_value(), path.value_or(QString()));
    }

    const QStringList& shown() const { return shown_; }
    // The texts shown, without their kind.
    QStringList texts() const;
    void clear() { shown_.clear(); }

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
    std::optional<QString> nextFile(const QString& title);

    QStringList shown_;
    std::deque<bool> confirms_;
    std::deque<std::pair<bool, QString>> inputs_;
    std::deque<std::pair<bool, QString>> files_;
};
