#pragma once

#include "serial/serialerror.h"

#include <QString>

// UUCP lock files as minicom and picocom write them: LCK..<device basename> in the
// system lock directory holding the owner's PID as ten right-aligned digits and a
// newline. QARVELO_LOCK_DIR overrides the directory (tests); otherwise /var/lock,
// then /run/lock. Without a writable directory no lock file is used.
namespace PortLock {

QString lockDirectory();
QString lockFilePath(const QString &devicePath); // empty when no lock directory
// PID written in the device's lock file when that process is alive, else 0.
qint64 livePid(const QString &devicePath);

} // namespace PortLock

// Holds the lock file of one device while it lives.
class UucpLock {
public:
    UucpLock() = default;
    ~UucpLock() { release(); }
    UucpLock(const UucpLock &) = delete;
    UucpLock &operator=(const UucpLock &) = delete;

    // Busy when a live process holds the lock; a stale one (dead PID) is replaced.
    bool acquire(const QString &devicePath, SerialError *err);
    void release();

private:
    QString path_;
};
