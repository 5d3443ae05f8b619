#pragma once

#include <QDialog>

#include "PasswordAsker.h"

class Database;
class DataClearing;
class Prompter;
class QCheckBox;

// "系统重建": the warning, the tick "清除业务数据" and the button that clears.
class TfrmReBulid : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmReBulid(DataClearing& clearing, QWidget* parent = nullptr);
    // True once the data was cleared; the dialog has then closed.
    bool cleared() const { return cleared_; }

  private:
    void cmdSHClick();

    DataClearing& clearing_;
    QCheckBox* cmkYW;
    bool cleared_ = false;
};

// "数据清除": the password, then the dialog. True when the data was cleared and the program must
// end; false when the user stopped (the month list is then reloaded by the caller).
bool ShowReBulid(Database& db, Prompter& prompter, const QString& appPath, const QString& logPass,
                 const PasswordAsker& ask, QWidget* parent);
