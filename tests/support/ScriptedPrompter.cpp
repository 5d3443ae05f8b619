#include "ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace {

// Queued answers are kept as (given, text) pairs: an optional<QString> copied out of a deque
// trips a false uninitialised-use warning in GCC 12.
std::optional<QString> takeFront(std::deque<std::pair<bool, QString>>& queue) {
    const auto [given, text] = queue.front();
    queue.pop_front();
    if (!given) return std::nullopt;
    return text;
}

}  // namespace

QStringList ScriptedPrompter::texts() const {
    QStringList result;
    for (const QString& line : shown_) result << line.section(QStringLiteral(": "), 1);
    return result;
}

void ScriptedPrompter::info(const QString& text) {
    shown_ << QStringLiteral("info: ") + text;
}

void ScriptedPrompter::warning(const QString& text) {
    shown_ << QStringLiteral("warning: ") + text;
}

void ScriptedPrompter::error(const QString& text) {
    shown_ << QStringLiteral("error: ") + text;
}

bool ScriptedPrompter::confirm(const QString& text) {
    shown_ << QStringLiteral("confirm: ") + text;
    if (confirms_.empty()) {
        ADD_FAILURE() << "unexpected confirmation: " << text.toStdString();
        return false;
    }
    const bool answer = confirms_.front();
    confirms_.pop_front();
    return answer;
}

std::optional<QString> ScriptedPrompter::inputText(const QString& title, const QString& prompt,
                                                   const QString& initial) {
    shown_ << QStringLiteral("input: %1|%2|%3").arg(title, prompt, initial);
    if (inputs_.empty()) {
        ADD_FAILURE() << "unexpected input box: " << prompt.toStdString();
        return std::nullopt;
    }
    return takeFront(inputs_);
}

std::optional<QString> ScriptedPrompter::nextFile(const QString& title) {
    if (files_.empty()) {
        ADD_FAILURE() << "unexpected file chooser: " << title.toStdString();
        return std::nullopt;
    }
    return takeFront(files_);
}

std::optional<QString> ScriptedPrompter::chooseOpenFile(const QString& title, const QString& folder,
                                                        const QString& filter) {
    shown_ << QStringLiteral("open: %1|%2|%3").arg(title, folder, filter);
    return nextFile(title);
}

std::optional<QString> ScriptedPrompter::chooseSaveFile(const QString& title,
                                                        const QString& proposed,
                                                        const QString& filter) {
    shown_ << QStringLiteral("save: %1|%2|%3").arg(title, proposed, filter);
    return nextFile(title);
}

std::optional<QString> ScriptedPrompter::chooseFolder(const QString& title, const QString& start) {
    shown_ << QStringLiteral("folder: %1|%2").arg(title, start);
    return nextFile(title);
}
