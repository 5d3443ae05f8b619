#pragma once

#include <QString>
#include <QStringList>

// The desktop's calculator for "调用系统计算器": the first of a short list of well-known
// calculator programs that is installed.
class CalculatorProgram {
  public:
    CalculatorProgram() = delete;

    static QStringList candidates();
    // The full path of the first candidate found in `folders`, or on the search path when
    // `folders` is empty; empty when none is installed.
    static QString find(const QStringList& folders = {});
    // Starts it and returns at once; false (and nothing happens) when none is installed.
    static bool start();
};
