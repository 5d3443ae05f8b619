#pragma once

#include <QString>
#include <functional>

// Asks for the password and gives the typed text; the window program passes its password box,
// tests a scripted answer.
using PasswordAsker = std::function<QString(const QString& caption)>;
