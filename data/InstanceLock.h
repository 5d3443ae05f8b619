#pragma once

#include <QLockFile>
#include <QString>

// One program folder, one user: the window program holds this lock while it runs, and the
// command-line tool while it changes data, so that two of them never write the same database
// with rows the other has read before. A lock left by a program that was killed is taken over.
class InstanceLock {
  public:
    explicit InstanceLock(const QString& appPath);

    // True when this process holds the lock now. Also true when the folder cannot hold a lock
    // file (a read-only program folder): then nothing can be written beside the program anyway,
    // and each operation tells its own failure.
    bool acquire();

    static QString fileName() { return QStringLiteral("gzt.lock"); }
    static QString runningMessage() {
        return QStringLiteral("本软件已经在运行，不能同时打开两次！");
    }

  private:
    QLockFile lock_;
};
