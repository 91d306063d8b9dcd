#pragma once

// A pseudo-terminal for tests: the test holds the raw master, the program under
// test opens the slave as a serial port.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QString>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

struct TestPty {
    int master = -1;
    QString slave;

    TestPty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        slave = QString::fromLocal8Bit(::ptsname(master));
        termios t{};
        ::tcgetattr(master, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(master, TCSANOW, &t);
    }
    ~TestPty() { closeMaster(); }
    TestPty(const TestPty &) = delete;
    TestPty &operator=(const TestPty &) = delete;

    bool ok() const { return master >= 0 && !slave.isEmpty(); }
    void closeMaster() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    bool write(const QByteArray &bytes) const {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            else
                QTest::qWait(1);
        }
        return true;
    }
    // Everything the program has written so far (keeps the event loop running
    // until at least `atLeast` bytes came or the deadline passed).
    QByteArray read(qsizetype atLeast = 0, int timeoutMs = 5000) const {
        QByteArray out;
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            char buf[65536];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                out.append(buf, n);
                continue;
            }
            if (out.size() >= atLeast || deadline.hasExpired())
                return out;
            QTest::qWait(2);
        }
    }
};
