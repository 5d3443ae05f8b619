#include "ConsolePrompter.h"

#include <cstdio>

void ConsolePrompter::show(const QString& text) {
    shown_ << text;
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

void ConsolePrompter::info(const QString& text) {
    show(text);
}

void ConsolePrompter::warning(const QString& text) {
    failed_ = true;
    show(text);
}

void ConsolePrompter::error(const QString& text) {
    failed_ = true;
    show(text);
}

bool ConsolePrompter::confirm(const QString& text) {
    show(text);
    if (yes_) return true;
    show(QStringLiteral("（未确认：需要 --yes 才会继续 / not confirmed: add --yes to go on）"));
    refused_ = true;
    return false;
}

std::optional<QString> ConsolePrompter::inputText(const QString&, const QString&, const QString&) {
    return input_;
}

std::optional<QString> ConsolePrompter::chooseOpenFile(const QString&, const QString&,
                                                       const QString&) {
    return file_;
}

std::optional<QString> ConsolePrompter::chooseSaveFile(const QString&, const QString&,
                                                       const QString&) {
    return file_;
}

std::optional<QString> ConsolePrompter::chooseFolder(const QString&, const QString&) {
    return file_;
}
