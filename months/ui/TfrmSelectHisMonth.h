#pragma once

#include <QDialog>
#include <QStringList>
#include <optional>

class Database;
class Prompter;
class QListWidget;

// "选择历史发放月度": picks one of the months that hold salary rows.
class TfrmSelectHisMonth : public QDialog {
    Q_OBJECT

  public:
    TfrmSelectHisMonth(const QStringList& months, QWidget* parent = nullptr);
    std::optional<QString> chosen() const { return chosen_; }
    QListWidget* list() const { return list_; }

  private:
    void choose();

    QListWidget* list_;
    std::optional<QString> chosen_;
};

// Shows the chooser; empty when nothing was chosen or the months could not be read (the user is
// told so through `prompter`).
std::optional<QString> SelectHisMonth(Database& db, Prompter& prompter, QWidget* parent);
