#pragma once

// Shared by the C++ benchmarks: figures (median/min/max), process and thread
// CPU time, resident memory, pseudo-terminals and a stand-in for the frame.

#include "portwin/portwindowhost.h"
#include "serial/serialcomm.h"
#include "strings/teststrings.h"

#include <QEvent>
#include <QObject>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace bench {

struct Stats {
    double median = 0, min = 0, max = 0;
};

inline Stats stats(std::vector<double> v) {
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s.min = v.front();
    s.max = v.back();
    const size_t n = v.size();
    s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return s;
}

inline void printStats(const char *name, const std::vector<double> &v, const char *unit) {
    const Stats s = stats(v);
    std::printf("%-34s median %10.3f  min %10.3f  max %10.3f  %s  (n=%zu)\n", name, s.median, s.min,
                s.max, unit, v.size());
}

// CPU seconds (user + system) of the calling thread or the whole process.
inline double cpuSeconds(int who) {
    rusage ru{};
    ::getrusage(who, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Resident memory in KiB (VmRSS of /proc/self/status).
inline long rssKiB() {
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            kib = std::strtol(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kib;
}

// A pseudo-terminal master in raw mode; `blocking` decides O_NONBLOCK.
struct Pty {
    int master = -1;
    QString slave;

    explicit Pty(bool blocking = false) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | (blocking ? 0 : O_NONBLOCK));
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
            std::perror("posix_openpt");
            std::exit(2);
        }
        slave = QString::fromLocal8Bit(::ptsname(master));
        termios t{};
        ::tcgetattr(master, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(master, TCSANOW, &t);
    }
    ~Pty() {
        if (master >= 0)
            ::close(master);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;
};

// The frame a port window expects; the benchmarks use none of it.
class StubHost : public PortWindowHost {
public:
    void mnuFileOpen_Click() override {}
    void mnuFileExit_Click() override {}
    void arrange(int) override {}
    void mnuHelpAbout_Click() override {}
    void placeDialog(QWidget *) override {}
    KeyStringTable &keyStrings() override { return keys; }
    KeyStringTable &editStrings() override { return edit; }

private:
    KeyStringTable keys, edit;
};

// "--name value" from argv, or the fallback.
inline double argValue(int argc, char **argv, const char *name, double fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atof(argv[i + 1]);
    return fallback;
}

// Counts the bytes a port window receives: how many wait just before the
// component's queued OnComm dispatch runs, minus what is left after it.
class RxCounter : public QObject {
public:
    RxCounter(SerialComm *c, QObject *parent) : QObject(parent), comm(c) {
        c->installEventFilter(this);
        connect(c, &SerialComm::OnComm, this, [this] {
            if (comm->CommEvent() == SerialComm::comEvReceive)
                total += waiting - comm->inputWaiting();
            waiting = 0;
        });
    }
    bool eventFilter(QObject *o, QEvent *e) override {
        if (o == comm && e->type() == QEvent::MetaCall)
            waiting = comm->inputWaiting();
        return false;
    }
    SerialComm *comm;
    qint64 waiting = 0;
    qint64 total = 0;
};

} // namespace bench
