#include "serial/portlock.h"

#include "serial/portholder.h"

#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isWritableDir(const QByteArray &path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(path.constData(), W_OK | X_OK) == 0;
}

qint64 readPid(const QString &lockPath) {
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    char buf[64] = {};
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0)
        return 0;
    long long pid = 0;
    // Text as written by minicom/picocom; some old tools wrote a binary int.
    if (std::sscanf(buf, "%lld", &pid) != 1) {
        if (n == sizeof(int)) {
            int bin = 0;
            std::memcpy(&bin, buf, sizeof bin);
            pid = bin;
        } else {
            pid = 0;
        }
    }
    return pid;
}

bool isAlive(qint64 pid) {
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

namespace PortLock {

QString lockDirectory() {
    const QByteArray env = qgetenv("QARVELO_LOCK_DIR");
    if (!env.isEmpty())
        return isWritableDir(env) ? QFile::decodeName(env) : QString();
    for (const char *dir : {"/var/lock", "/run/lock"}) {
        if (isWritableDir(dir))
            return QString::fromLatin1(dir);
    }
    return {};
}

QString lockFilePath(const QString &devicePath) {
    const QString dir = lockDirectory();
    if (dir.isEmpty() || devicePath.isEmpty())
        return {};
    return dir + QStringLiteral("/LCK..") + QFileInfo(devicePath).fileName();
}

qint64 livePid(const QString &devicePath) {
    const QString path = lockFilePath(devicePath);
    if (path.isEmpty())
        return 0;
    const qint64 pid = readPid(path);
    return isAlive(pid) ? pid : 0;
}

} // namespace PortLock

bool UucpLock::acquire(const QString &devicePath, SerialError *err) {
    release();
    const QString path = PortLock::lockFilePath(devicePath);
    if (path.isEmpty())
        return true; // no writable lock directory: flock and TIOCEXCL still apply
    const QByteArray native = QFile::encodeName(path);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            char text[16];
            const int len = std::snprintf(text, sizeof text, "%10ld\n", long(::getpid()));
            const bool ok = ::write(fd, text, size_t(len)) == len;
            ::close(fd);
            if (!ok) {
                ::unlink(native.constData());
                return true; // a lock we cannot write protects nobody; go on without it
            }
            path_ = path;
            return true;
        }
        if (errno != EEXIST)
            return true; // lock directory not usable for us
        const qint64 pid = readPid(path);
        if (isAlive(pid)) {
            if (err) {
                err->kind = SerialErrorKind::Busy;
                err->sysErrno = EBUSY;
                err->holder = describeProcess(pid);
                err->message = QStringLiteral("%1 is locked by %2 (lock file %3)")
                                   .arg(devicePath, err->holder, path);
            }
            return false;
        }
        ::unlink(native.constData()); // stale: its owner is gone
    }
    if (err) {
        err->kind = SerialErrorKind::Busy;
        err->sysErrno = EBUSY;
        err->message = QStringLiteral("%1: lock file %2 keeps coming back").arg(devicePath, path);
    }
    return false;
}

void UucpLock::release() {
    if (path_.isEmpty())
        return;
    if (readPid(path_) == ::getpid())
        ::unlink(QFile::encodeName(path_).constData());
    path_.clear();
}
