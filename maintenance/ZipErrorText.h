#pragma once

#include <QString>

// libzip's own text for one of its error codes, as the archive classes report it.
QString ZipErrorText(int code);
