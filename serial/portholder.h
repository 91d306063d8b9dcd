#pragma once

#include <QString>

// The program holding a serial device open, as "name (pid N)": first the live PID
// of its UUCP lock file, then a scan of /proc/*/fd for the device. Empty when
// nobody is found (or the holder's /proc entries cannot be read).
QString findPortHolder(const QString &devicePath);

// "name (pid N)" for a running process, empty when it does not exist.
QString describeProcess(qint64 pid);
