#pragma once

// What a test process holds (descriptors, memory, CPU time), and other
// processes that hold a port.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testproc {

inline int openFdCount() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// Descriptors of this process open on `path`.
inline int fdsOn(const QString &path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    int n = 0;
    const QDir fdDir(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fdDir.entryList(QDir::Files | QDir::System))
        if (QFile::symLinkTarget(fdDir.filePath(fd)) == target)
            ++n;
    return n;
}

inline double cpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// VmRSS of this process in KiB.
inline qint64 rssKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

inline QStringList lockFiles(const QString &dir) {
    return QDir(dir).entryList({QStringLiteral("LCK..*")}, QDir::Files | QDir::System);
}

// The PID of a process that has just ended: what a stale lock file names.
inline pid_t deadPid() {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    if (pid > 0)
        ::waitpid(pid, nullptr, 0);
    return pid;
}

// A UUCP lock file naming `pid`, in the format minicom and picocom write.
inline bool writeLockFile(const QString &path, pid_t pid) {
    QFile lock(path);
    if (!lock.open(QIODevice::WriteOnly))
        return false;
    return lock.write(QByteArray::number(pid).rightJustified(10, ' ') + '\n') == 11;
}

// A child process that lives (and, for Flock and Exclusive, holds `path` open
// under flock or TIOCEXCL) until this object goes away. pid is -1 when the
// child could not take hold.
struct Holder {
    pid_t pid = -1;
    int release = -1;

    enum Mode { JustLive, Flock, Exclusive };
    Holder(const QString &path, Mode mode) {
        int ready[2], go[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(go, O_CLOEXEC) != 0)
            return;
        const QByteArray native = QFile::encodeName(path);
        pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            ::close(go[1]); // else our own copy keeps the pipe from ever closing
            char c = 'r';
            if (mode != JustLive) {
                const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
                if (fd < 0 || (mode == Flock && ::flock(fd, LOCK_EX | LOCK_NB) != 0) ||
                    (mode == Exclusive && ::ioctl(fd, TIOCEXCL) != 0))
                    c = 'x';
            }
            (void)!::write(ready[1], &c, 1);
            (void)!::read(go[0], &c, 1); // until the parent lets go or dies
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(go[0]);
        release = go[1];
        char c = 0;
        if (::read(ready[0], &c, 1) != 1 || c != 'r')
            pid = -1;
        ::close(ready[0]);
    }
    ~Holder() {
        if (release >= 0)
            ::close(release);
        if (pid > 0)
            ::waitpid(pid, nullptr, 0);
    }
    Holder(const Holder &) = delete;
    Holder &operator=(const Holder &) = delete;
};

} // namespace testproc
