#pragma once

#include <QString>
#include <optional>

// Every message box, confirmation, input box and file or folder chooser goes through this, so
// that logic classes can tell the user things without owning a window, and tests can answer
// and record what the user would have seen.
class Prompter {
  public:
    virtual ~Prompter() = default;

    virtual void info(const QString& text) = 0;
    virtual void warning(const QString& text) = 0;
    virtual void error(const QString& text) = 0;
    // A warning box with Yes and No; true for Yes.
    virtual bool confirm(const QString& text) = 0;
    // An input box proposing `initial`; empty when cancelled.
    virtual std::optional<QString> inputText(const QString& title, const QString& prompt,
                                             const QString& initial) = 0;
    virtual std::optional<QString> chooseOpenFile(const QString& title, const QString& folder,
                                                  const QString& filter) = 0;
    // `proposed` is the folder and default file name offered.
    virtual std::optional<QString> chooseSaveFile(const QString& title, const QString& proposed,
                                                  const QString& filter) = 0;
    virtual std::optional<QString> chooseFolder(const QString& title, const QString& start) = 0;
};
