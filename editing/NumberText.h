#pragma once

#include <QString>
#include <optional>

// The number a clerk typed into a number box. The text is cleaned as masked boxes need it
// (CleanNumText: padding blanks removed, a lone or trailing point settled) and then read with "."
// as the decimal point. Only digits with at most one point make a number: a sign, a thousands
// separator or a second point do not, so a text that slipped past the key filters (pasted, for
// example) is refused instead of being read as some other amount.
class NumberText {
  public:
    NumberText() = delete;

    static std::optional<double> value(const QString& text);
};
