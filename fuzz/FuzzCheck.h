#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>

// Ends the fuzz run with `what` when a property that must hold for every input does not, so
// that libFuzzer keeps the input as a crash.
inline void FuzzRequire(bool holds, const char* what, const QString& detail = QString()) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s %s\n", what, qPrintable(detail));
    std::abort();
}
