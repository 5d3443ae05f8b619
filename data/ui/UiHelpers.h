#pragma once

#include <QString>
#include <optional>

class QKeyEvent;
class QWidget;

// Opens the folder chooser owned by `owner`, starting in `startFolder` (the current folder when
// empty). The chosen folder, or nothing when the user cancels.
std::optional<QString> BrowseForFolder(QWidget* owner, const QString& title,
                                       const QString& startFolder);

// Lets Enter move the focus to the next control in tab order, as the dialogs expect. In
// multi-line text controls Enter keeps its meaning and Ctrl+Enter moves on. True when the focus
// moved (the event is then accepted); other keys are left alone and give false.
bool EnterToNextControl(QWidget* control, QKeyEvent* event);
