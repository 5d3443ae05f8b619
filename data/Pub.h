#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

// Small helpers shared by the dialogs and the logic: list look-up, text padding and counting,
// the clean-up of numbers typed into masked boxes, file chores, starting documents and programs,
// a responsive wait, e-mail plausibility and the amount display format.

// Index of the first item equal to `text` (or, with `prefix`, beginning with it); letter case
// counts. -1 when no item matches.
int FindListItem(const QStringList& list, const QString& text, bool prefix);

// Keeps the event loop turning until more than `ms` milliseconds have passed, so the window
// stays responsive during long loops.
void WaitWithMessages(int ms);

// Deletes every file below `folder`, sub-folders included; the folders themselves stay. A file
// that cannot be deleted is skipped. A trailing slash or backslash is accepted.
void ClearFolderFiles(const QString& folder);

// Extends `text` to `width` characters with blanks on the right; never cuts.
QString PadSpaceRight(const QString& text, int width);
// Extends `text` to `width` characters with "0" on the left; never cuts.
QString PadZeroLeft(const QString& text, int width);

// Occurrences of `pattern` in `text`, each search going on after the previous match, so
// overlapping occurrences count once. An empty pattern counts 0.
int CountSubStr(const QString& pattern, const QString& text);

// Copies every byte of `source` to `destination`, creating or replacing it. Throws FileError.
void CopyFileStream(const QString& source, const QString& destination);

// Turns the text of a masked number box into a number text: blanks removed, "." and ".0" become
// "0.0", a trailing point is dropped, nothing left becomes "0".
QString CleanNumText(const QString& text);

// The URL OpenInBrowser opens: an address with a scheme as it is, "www." addresses as http,
// anything else as a local file.
QUrl BrowserUrl(const QString& pathOrAddress);
// Opens a web address or a local page in the desktop's browser; false when the desktop refused.
bool OpenInBrowser(const QString& pathOrAddress);

// Performs the default action on a file: a program is started (detached, with `parameters`
// split as a command line), a document or folder is opened by the desktop. A bare program name
// is looked up on the search path. False when nothing could be started.
bool ShellOpenFile(const QString& path, const QString& parameters);

// Plausibility check of an e-mail address: the first "@" is not the first character, a "."
// follows it, and the first such "." is not the last character.
bool IsEmailAddress(const QString& text);

// Formats an amount by a display format "0", "0.0", "0.00" (or more zeros after the point),
// rounding half away from zero on the decimal value the double stands for, so 200.8 shows as
// "201" and 2.675 as "2.68". NaN and infinities show as zero; a value that rounds to zero never
// shows a minus sign.
QString FormatFloat(const QString& format, double value);

// The number a field value stands for; null, empty and unparsable values count as 0.
double VariantToDouble(const QVariant& value);
