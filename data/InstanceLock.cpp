#include "InstanceLock.h"

#include <QDir>

InstanceLock::InstanceLock(const QString& appPath) : lock_(QDir(appPath).filePath(fileName())) {
    // Only a running holder counts: a lock of a process that no longer exists is stale however
    // young it is, and a live holder's lock never goes stale by age.
    lock_.setStaleLockTime(0);
}

bool InstanceLock::acquire() {
    if (lock_.isLocked() || lock_.tryLock(0)) return true;
    return lock_.error() != QLockFile::LockFailedError;
}
