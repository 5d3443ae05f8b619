#include "CalculatorProgram.h"

#include <QStandardPaths>

#include "Pub.h"

QStringList CalculatorProgram::candidates() {
    // Windows' own first, then the calculators of the common Linux desktops.
    return {QStringLiteral("calc.exe"),   QStringLiteral("gnome-calculator"),
            QStringLiteral("kcalc"),      QStringLiteral("mate-calc"),
            QStringLiteral("galculator"), QStringLiteral("qalculate-gtk"),
            QStringLiteral("xcalc")};
}

QString CalculatorProgram::find(const QStringList& folders) {
    for (const QString& name : candidates()) {
        const QString found = QStandardPaths::findExecutable(name, folders);
        if (!found.isEmpty()) return found;
    }
    return QString();
}

bool CalculatorProgram::start() {
    const QString program = find();
    return !program.isEmpty() && ShellOpenFile(program, QString());
}
