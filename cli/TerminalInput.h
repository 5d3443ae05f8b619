#pragma once

#include <QString>
#include <optional>

// Reads one line typed on the terminal without showing it; empty when standard input is not a
// terminal, so scripts never hang on a question.
std::optional<QString> ReadHiddenLine(const QString& prompt);
