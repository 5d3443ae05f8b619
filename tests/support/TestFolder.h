#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary program folder, optionally with a freshly created payroll database in it.
class TestFolder {
  public:
    explicit TestFolder(bool withDatabase = true);
    // The folder, ending in "/", as the program's own folder would.
    QString path() const;
    QString file(const QString& relative) const;

  private:
    QTemporaryDir dir_;
};
