#include "TerminalInput.h"

#include <QtGlobal>
#include <cstdio>
#include <iostream>
#include <string>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

std::optional<QString> ReadHiddenLine(const QString& prompt) {
#ifdef Q_OS_UNIX
    if (!isatty(STDIN_FILENO)) return std::nullopt;
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool hidden = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hidden) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    const bool read = bool(std::getline(std::cin, line));
    if (hidden) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fputc('\n', stderr);
    if (!read) return std::nullopt;
    return QString::fromLocal8Bit(line.c_str());
#else
    Q_UNUSED(prompt);
    return std::nullopt;
#endif
}
