#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include "Database.h"
#include "RecordSet.h"

class Prompter;

// The data module: the one connection to db/ZYDB.dat below the program folder, the parameters
// set `dsPara`, and the four query helpers. The helpers never raise and never show anything: a
// failing query looks like an empty result to the caller. Values always go in as parameters.
class TDM {
  public:
    // Opens the database; when that fails the user is told once through `prompter`, and the
    // module stays usable with the connection closed (every later query fails).
    TDM(const QString& appPath, Prompter& prompter);
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    Database ADOLocal;
    RecordSet dsPara;

    const QString& appPath() const { return appPath_; }
    bool connected() const { return ADOLocal.isOpen(); }
    const QString& openError() const { return openError_; }

    // The first column of the first row as text; empty when there is no row, the value is NULL
    // or the query fails.
    QString GetDataBySQL(const QString& sql, const QVariantList& params = {});
    // Adds the first column of every row, skipping empty and NULL ones. The list is cleared
    // first when `clear` is set and the query opened; a failing query leaves the list as it was.
    void GetDataBySQLToItems(const QString& sql, QStringList& items, bool clear,
                             const QVariantList& params = {});
    // Runs "Select " + body; the first column of the first row as a number, 0 on no row or error.
    double GetFltDataBySQL(const QString& body, const QVariantList& params = {});
    // Clears the list and adds the first column of every row, empty ones included; an empty SQL
    // text does nothing and a failing query leaves the list as it was.
    void GetItemsBySQL(const QString& sql, QStringList& items, const QVariantList& params = {});

    // Opens dsPara on "select * from TPara"; throws DatabaseError.
    void openPara();

    static QString missingDatabaseMessage() {
        return QStringLiteral("请确认您的程序是否安装正确，或者没有安装MDAC数据访问组件！");
    }

  private:
    QString appPath_;
    QString openError_;
};

// The window program's data module, created before the main window.
extern TDM* DM;
