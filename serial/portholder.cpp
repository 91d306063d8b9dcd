#include "serial/portholder.h"

#include "serial/portlock.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isNumber(const char *s) {
    if (!*s)
        return false;
    for (; *s; ++s) {
        if (*s < '0' || *s > '9')
            return false;
    }
    return true;
}

// Does process pid hold a descriptor on the character device rdev?
bool holds(const char *pidName, dev_t rdev) {
    char dirPath[300];
    std::snprintf(dirPath, sizeof dirPath, "/proc/%s/fd", pidName);
    DIR *dir = ::opendir(dirPath);
    if (!dir)
        return false;
    bool found = false;
    while (dirent *e = ::readdir(dir)) {
        if (!isNumber(e->d_name))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, 0) == 0 && S_ISCHR(st.st_mode) &&
            st.st_rdev == rdev) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace

QString describeProcess(qint64 pid) {
    if (pid <= 0)
        return {};
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
    return QStringLiteral("%1 (pid %2)").arg(name.isEmpty() ? QStringLiteral("?") : name).arg(pid);
}

QString findPortHolder(const QString &devicePath) {
    if (devicePath.isEmpty())
        return {};
    // Our own lock file says nothing: it may be the one taken for this very open.
    if (const qint64 pid = PortLock::livePid(devicePath); pid > 0 && pid != ::getpid()) {
        const QString who = describeProcess(pid);
        if (!who.isEmpty())
            return who;
    }
    struct stat dev {};
    if (::stat(QFile::encodeName(devicePath).constData(), &dev) != 0 || !S_ISCHR(dev.st_mode))
        return {};
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return {};
    QString who;
    while (dirent *e = ::readdir(proc)) {
        if (!isNumber(e->d_name) || !holds(e->d_name, dev.st_rdev))
            continue;
        who = describeProcess(std::atoll(e->d_name));
        if (!who.isEmpty())
            break;
    }
    ::closedir(proc);
    return who;
}
