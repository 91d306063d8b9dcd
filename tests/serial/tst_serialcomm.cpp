#include "serial/portholder.h"
#include "serial/portmap.h"
#include "serial/serialcomm.h"
#include "tests/support/processes.h"
#include "tests/support/testpty.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testproc;

namespace {

// A pseudo-terminal whose slave is COM1; the test holds the raw master.
struct Pty : TestPty {
    Pty() { PortMap::setCurrent({{1, slave}, {6, u"loopback"_s}}); }
};

// Drives both directions at once: `toPort` is written into the master while the
// component sends `fromPort`; returns when both arrived or the guard ran out.
void pump(Pty &pty, SerialComm &c, const QByteArray &toPort, QByteArray &gotPort,
          QByteArray &gotMaster, qsizetype fromPortSize) {
    qsizetype written = 0;
    QByteArray buf(65536, Qt::Uninitialized);
    QDeadlineTimer guard(60000);
    while ((gotPort.size() < toPort.size() || gotMaster.size() < fromPortSize) &&
           !guard.hasExpired()) {
        if (written < toPort.size()) {
            const ssize_t n = ::write(pty.master, toPort.constData() + written,
                                      size_t(qMin<qsizetype>(toPort.size() - written, 65536)));
            if (n > 0)
                written += n;
        }
        for (;;) {
            const ssize_t n = ::read(pty.master, buf.data(), size_t(buf.size()));
            if (n <= 0)
                break;
            gotMaster.append(buf.constData(), n);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        gotPort += c.Input();
    }
}

QByteArray pattern(qsizetype size, int seed) {
    QByteArray b(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        b[i] = char((i * 131 + seed + i / 256) & 0xff);
    return b;
}

termios slaveTermios(const SerialComm &c) {
    termios t{};
    ::tcgetattr(c.CommID(), &t);
    return t;
}

} // namespace

class TestSerialComm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void openAndClose();
    void openFailures_data();
    void openFailures();
    void heldByAnotherProcess_data();
    void heldByAnotherProcess();
    void busyInThisProgram();
    void permissionDenied();
    void uucpLockFiles_data();
    void uucpLockFiles();
    void bytesBothWays();
    void outputBound();
    void everyListedRateRoundTrips();
    void framingRoundTrips_data();
    void framingRoundTrips();
    void refusedSettingsLeavePortUnchanged_data();
    void refusedSettingsLeavePortUnchanged();
    void otherTermiosFlagsSurvive();
    void settingsTextWhileOpen();
    void modemLinesOnPty();
    void hangupClosesPort();

private:
    QTemporaryDir lockDir_;
    static bool openCom1(SerialComm &c, SerialError *err = nullptr) {
        c.setCommPort(1);
        c.setSettings(u"9600,N,8,1"_s);
        c.setInputLen(0);
        c.setRThreshold(1);
        c.setSThreshold(0);
        c.setHandshaking(0);
        return c.setPortOpen(true, err);
    }
};

void TestSerialComm::initTestCase() {
    QVERIFY(lockDir_.isValid());
    qputenv("QARVELO_LOCK_DIR", QFile::encodeName(lockDir_.path()));
}

void TestSerialComm::init() {
    QDir dir(lockDir_.path());
    for (const QString &f : dir.entryList(QDir::Files))
        dir.remove(f);
}

void TestSerialComm::openAndClose() {
    Pty pty;
    QVERIFY(pty.ok());
    SerialComm c;
    QVERIFY(!c.PortOpen());
    QCOMPARE(c.CommID(), -1);
    QCOMPARE(c.Output("x"_ba), 0); // closed: refused, no crash

    SerialError err;
    QVERIFY2(openCom1(c, &err), qPrintable(err.message));
    QVERIFY(c.PortOpen());
    QVERIFY(c.CommID() >= 0);
    QCOMPARE(c.devicePath(), pty.slave);
    QVERIFY(QFile::exists(lockDir_.path() + u"/LCK.."_s + QFileInfo(pty.slave).fileName()));

    LineSettings s;
    QVERIFY(c.readLineSettings(s));
    QCOMPARE(s, (LineSettings{9600, 8, 0, 0, false}));

    SerialError wrong;
    QVERIFY(!c.setCommPort(2, &wrong));
    QCOMPARE(c.CommPort(), 1);

    QVERIFY(c.setPortOpen(false));
    QVERIFY(!c.PortOpen());
    QCOMPARE(c.CommID(), -1);
    QVERIFY2(QDir(lockDir_.path()).entryList(QDir::Files).isEmpty(), "lock file removed on close");
    QVERIFY(!c.readLineSettings(s, &err));
    QCOMPARE(err.kind, SerialErrorKind::NotOpen);
}

void TestSerialComm::openFailures_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("path");
    QTest::addColumn<SerialErrorKind>("kind");
    QTest::newRow("COM number not mapped") << 9 << QString() << SerialErrorKind::NoSuchPort;
    QTest::newRow("path does not exist")
        << 4 << u"/nonexistent/ttyQ0"_s << SerialErrorKind::NotFound;
    QTest::newRow("not a terminal") << 4 << u"/dev/null"_s << SerialErrorKind::NotATty;
}

void TestSerialComm::openFailures() {
    QFETCH(int, port);
    QFETCH(QString, path);
    QFETCH(SerialErrorKind, kind);
    QMap<int, QString> map;
    if (!path.isEmpty())
        map.insert(port, path);
    PortMap::setCurrent(map);
    SerialComm c;
    QVERIFY(c.setCommPort(port));
    SerialError err;
    QVERIFY(!c.setPortOpen(true, &err));
    QCOMPARE(err.kind, kind);
    QVERIFY(!err.message.isEmpty());
    QVERIFY(!c.PortOpen());
    QCOMPARE(c.lastError().kind, kind);
    QVERIFY2(QDir(lockDir_.path()).entryList(QDir::Files).isEmpty(), "no lock left behind");
}

void TestSerialComm::heldByAnotherProcess_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("flock") << int(Holder::Flock);
    QTest::newRow("TIOCEXCL") << int(Holder::Exclusive);
}

void TestSerialComm::heldByAnotherProcess() {
    QFETCH(int, mode);
    Pty pty;
    QVERIFY(pty.ok());
    SerialComm c;
    {
        Holder other(pty.slave, Holder::Mode(mode));
        QVERIFY(other.pid > 0);
        SerialError err;
        QVERIFY(!openCom1(c, &err));
        QCOMPARE(err.kind, SerialErrorKind::Busy);
        QVERIFY(!c.PortOpen());
        QVERIFY2(err.holder.contains(u"(pid %1)"_s.arg(other.pid)), qPrintable(err.holder));
        QCOMPARE(findPortHolder(pty.slave), err.holder);
        QVERIFY2(QDir(lockDir_.path()).entryList(QDir::Files).isEmpty(), "no lock left behind");
    }
    QVERIFY2(openCom1(c), "free again once the other program let go");
}

void TestSerialComm::busyInThisProgram() {
    Pty pty;
    QVERIFY(pty.ok());
    SerialComm a;
    SerialComm b;
    QVERIFY(openCom1(a));
    SerialError err;
    QVERIFY(!openCom1(b, &err));
    QCOMPARE(err.kind, SerialErrorKind::Busy);
    QVERIFY2(err.holder.contains(u"(pid %1)"_s.arg(::getpid())), qPrintable(err.holder));
    QVERIFY(!b.PortOpen());
    QVERIFY(a.PortOpen());

    a.setPortOpen(false);
    QVERIFY(openCom1(b));
    {
        SerialComm scoped;
        b.setPortOpen(false);
        QVERIFY(openCom1(scoped));
    }
    QVERIFY2(openCom1(b), "destroying a component releases the port");
}

void TestSerialComm::permissionDenied() {
    Pty pty;
    QVERIFY(pty.ok());
    const QByteArray slave = QFile::encodeName(pty.slave);
    QVERIFY(::chmod(slave.constData(), 0600) == 0);
    if (::getuid() != 0) {
        QVERIFY(::chmod(slave.constData(), 0) == 0);
        SerialComm c;
        SerialError err;
        QVERIFY(!openCom1(c, &err));
        QCOMPARE(err.kind, SerialErrorKind::PermissionDenied);
        return;
    }
    // As root, try it as nobody in a child and report the error kind through a pipe.
    QVERIFY(::chown(slave.constData(), 0, 0) == 0);
    int fds[2];
    QVERIFY(::pipe(fds) == 0);
    const pid_t pid = ::fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        ::close(fds[0]);
        // Our lock directory is root-only: nobody takes no lock file there.
        int result = -1;
        if (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0) {
            SerialComm c;
            SerialError err;
            result = openCom1(c, &err) ? 100 : int(err.kind);
        }
        (void)!::write(fds[1], &result, sizeof result);
        ::_exit(0);
    }
    ::close(fds[1]);
    int result = -2;
    QCOMPARE(::read(fds[0], &result, sizeof result), ssize_t(sizeof result));
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    QVERIFY2(result != -1, "could not become nobody in the child");
    QCOMPARE(SerialErrorKind(result), SerialErrorKind::PermissionDenied);
}

void TestSerialComm::uucpLockFiles_data() {
    QTest::addColumn<bool>("live");
    QTest::newRow("live owner: busy") << true;
    QTest::newRow("dead owner: stale, replaced") << false;
}

void TestSerialComm::uucpLockFiles() {
    QFETCH(bool, live);
    Pty pty;
    QVERIFY(pty.ok());
    std::unique_ptr<Holder> owner;
    pid_t pid = -1;
    if (live) {
        owner = std::make_unique<Holder>(pty.slave, Holder::JustLive);
        pid = owner->pid;
    } else {
        pid = deadPid();
    }
    QVERIFY(pid > 0);
    const QString lockPath = lockDir_.path() + u"/LCK.."_s + QFileInfo(pty.slave).fileName();
    QVERIFY(writeLockFile(lockPath, pid));

    SerialComm c;
    SerialError err;
    const bool opened = openCom1(c, &err);
    QCOMPARE(opened, !live);
    if (live) {
        QCOMPARE(err.kind, SerialErrorKind::Busy);
        QVERIFY2(err.holder.contains(u"(pid %1)"_s.arg(pid)), qPrintable(err.holder));
        QCOMPARE(findPortHolder(pty.slave), err.holder);
        QVERIFY2(QFile::exists(lockPath), "someone else's lock is left alone");
        return;
    }
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::ReadOnly));
    QCOMPARE(lock.readAll(), QByteArray::number(::getpid()).rightJustified(10, ' ') + '\n');
    lock.close();
    c.setPortOpen(false);
    QVERIFY(!QFile::exists(lockPath));
}

void TestSerialComm::bytesBothWays() {
    Pty pty;
    QVERIFY(pty.ok());
    SerialComm c;
    QVERIFY(openCom1(c));
    int receiveEvents = 0;
    connect(&c, &SerialComm::OnComm, this, [&] {
        if (c.CommEvent() == SerialComm::comEvReceive)
            ++receiveEvents;
    });
    // Larger than any kernel buffer on the way, every byte value many times.
    const QByteArray toPort = pattern(1 << 20, 1);
    const QByteArray fromPort = pattern(1 << 20, 7);
    qsizetype accepted = 0;
    for (qsizetype off = 0; off < fromPort.size(); off += 100000)
        accepted += c.Output(fromPort.mid(off, 100000));
    QCOMPARE(accepted, fromPort.size());
    QByteArray gotPort, gotMaster;
    pump(pty, c, toPort, gotPort, gotMaster, fromPort.size());
    QCOMPARE(gotPort.size(), toPort.size());
    QVERIFY(gotPort == toPort);
    QCOMPARE(gotMaster.size(), fromPort.size());
    QVERIFY(gotMaster == fromPort);
    QVERIFY(receiveEvents > 0);
    QCOMPARE(c.outputRefused(), 0u);
    QTRY_COMPARE(c.outputQueued(), 0);
}

void TestSerialComm::outputBound() {
    Pty pty;
    QVERIFY(pty.ok());
    SerialComm c;
    QVERIFY(openCom1(c));
    // Nobody reads the master: the line takes a little, the queue holds the bound.
    const QByteArray big(SerialComm::kOutputQueueLimit + 4096, 'q');
    QCOMPARE(c.Output(big), SerialComm::kOutputQueueLimit);
    QCOMPARE(c.outputRefused(), 4096u);
    QCOMPARE(c.lastError().kind, SerialErrorKind::QueueFull);
    QTest::qWait(50);
    const qsizetype queued = c.outputQueued();
    QVERIFY(queued > 0);
    const qsizetype more = c.Output(QByteArray(SerialComm::kOutputQueueLimit, 'r'));
    QVERIFY2(more < SerialComm::kOutputQueueLimit, "only what the line took can be refilled");
    QCOMPARE(c.outputRefused(), 4096u + quint64(SerialComm::kOutputQueueLimit - more));
    QVERIFY(c.PortOpen());
}

void TestSerialComm::everyListedRateRoundTrips() {
    Pty pty;
    QVERIFY(pty.ok());
    SerialComm c;
    QVERIFY(openCom1(c));
    const quint32 rates[] = {150,   300,   600,   1200,   2400,   4800,   9600,
                             19200, 38400, 57600, 115200, 230400, 921600, 4000000};
    for (quint32 rate : rates) {
        const LineSettings want{rate, 8, 0, 0, false};
        SerialError err;
        QVERIFY2(c.writeLineSettings(want, &err), qPrintable(err.message));
        LineSettings got;
        QVERIFY(c.readLineSettings(got));
        QCOMPARE(got, want);
    }
}

void TestSerialComm::framingRoundTrips_data() {
    // A pseudo-terminal keeps rate and stop bits; data bits and parity it forces to
    // 8 and none (those are checked against termios in tst_termiosmap).
    QTest::addColumn<LineSettings>("settings");
    QTest::addColumn<tcflag_t>("cflagSet");
    QTest::newRow("8 none 2") << LineSettings{19200, 8, 0, 2, false} << tcflag_t(CS8 | CSTOPB);
    QTest::newRow("8 none 1") << LineSettings{300, 8, 0, 0, false} << tcflag_t(CS8);
}

void TestSerialComm::framingRoundTrips() {
    QFETCH(LineSettings, settings);
    QFETCH(tcflag_t, cflagSet);
    Pty pty;
    QVERIFY(pty.ok());
    SerialComm c;
    QVERIFY(openCom1(c));
    SerialError err;
    QVERIFY2(c.writeLineSettings(settings, &err), qPrintable(err.message));
    LineSettings got;
    QVERIFY(c.readLineSettings(got));
    QCOMPARE(got, settings);
    const termios t = slaveTermios(c);
    QCOMPARE(t.c_cflag & tcflag_t(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR), cflagSet);
    QCOMPARE(bool(t.c_iflag & INPCK), settings.fParity);
    QCOMPARE(c.Settings(), settingsText(settings));
}

void TestSerialComm::refusedSettingsLeavePortUnchanged_data() {
    QTest::addColumn<LineSettings>("settings");
    QTest::addColumn<QString>("named");
    QTest::newRow("5 data bits, 2 stop")
        << LineSettings{9600, 5, 0, 2, false} << u"5 data bits with 2 stop bits"_s;
    QTest::newRow("6 data bits, 1.5 stop")
        << LineSettings{9600, 6, 0, 1, false} << u"6 data bits with 1.5 stop bits"_s;
    QTest::newRow("8 data bits, 1.5 stop")
        << LineSettings{9600, 8, 2, 1, true} << u"8 data bits with 1.5 stop bits"_s;
    QTest::newRow("rate not standard") << LineSettings{12345, 8, 0, 0, false} << u"12345"_s;
    QTest::newRow("rate zero") << LineSettings{0, 8, 0, 0, false} << u"0 baud"_s;
    // The pty driver applies only part of these and tcsetattr still says yes: the
    // read-back has to catch it.
    QTest::newRow("pty: 7 data bits odd") << LineSettings{9600, 7, 1, 0, true} << u"9600,o,7,1"_s;
    QTest::newRow("pty: mark parity") << LineSettings{2400, 8, 3, 0, true} << u"2400,m,8,1"_s;
    QTest::newRow("pty: space parity") << LineSettings{2400, 8, 4, 0, true} << u"2400,s,8,1"_s;
    QTest::newRow("pty: 5 data bits 1.5 stop")
        << LineSettings{150, 5, 0, 1, false} << u"150,n,5,1.5"_s;
}

void TestSerialComm::refusedSettingsLeavePortUnchanged() {
    QFETCH(LineSettings, settings);
    QFETCH(QString, named);
    Pty pty;
    QVERIFY(pty.ok());
    SerialComm c;
    QVERIFY(openCom1(c));
    const LineSettings before{19200, 8, 0, 2, false};
    QVERIFY(c.writeLineSettings(before));
    const termios rawBefore = slaveTermios(c);
    SerialError err;
    QVERIFY(!c.writeLineSettings(settings, &err));
    QCOMPARE(err.kind, SerialErrorKind::Unsupported);
    QVERIFY2(err.message.contains(named), qPrintable(err.message));
    LineSettings got;
    QVERIFY(c.readLineSettings(got));
    QCOMPARE(got, before);
    const termios rawAfter = slaveTermios(c);
    QCOMPARE(rawAfter.c_cflag, rawBefore.c_cflag);
    QCOMPARE(rawAfter.c_iflag, rawBefore.c_iflag);
}

void TestSerialComm::otherTermiosFlagsSurvive() {
    Pty pty;
    QVERIFY(pty.ok());
    SerialComm c;
    QVERIFY(openCom1(c));
    // Unusual settings someone else put on the device, through another descriptor.
    const int other =
        ::open(QFile::encodeName(pty.slave).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(other >= 0);
    termios t{};
    QVERIFY(::tcgetattr(other, &t) == 0);
    t.c_iflag |= IGNBRK | IMAXBEL;
    t.c_cflag |= HUPCL;
    t.c_lflag |= ECHOCTL;
    t.c_cc[VINTR] = 0x11;
    QVERIFY(::tcsetattr(other, TCSANOW, &t) == 0);

    QVERIFY(c.writeLineSettings(LineSettings{57600, 8, 0, 2, false}));
    termios after{};
    QVERIFY(::tcgetattr(other, &after) == 0);
    ::close(other);
    QVERIFY(after.c_iflag & IGNBRK);
    QVERIFY(after.c_iflag & IMAXBEL);
    QVERIFY(after.c_cflag & HUPCL);
    QVERIFY(after.c_cflag & CLOCAL);
    QVERIFY(after.c_lflag & ECHOCTL);
    QCOMPARE(after.c_cc[VINTR], cc_t(0x11));
    QCOMPARE(after.c_cc[VMIN], cc_t(1));
}

void TestSerialComm::settingsTextWhileOpen() {
    Pty pty;
    QVERIFY(pty.ok());
    // What the port had before we opened it comes back on close.
    const int other =
        ::open(QFile::encodeName(pty.slave).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(other >= 0);
    termios original{};
    QVERIFY(::tcgetattr(other, &original) == 0);
    SerialComm c;
    QVERIFY(openCom1(c));
    termios raw{};
    QVERIFY(::tcgetattr(other, &raw) == 0);
    QVERIFY(!(raw.c_lflag & ICANON));
    QVERIFY(!(raw.c_iflag & (IXON | IXOFF)));
    QVERIFY(!(raw.c_cflag & CRTSCTS));

    QVERIFY(c.setSettings(u"38400,N,8,2"_s));
    LineSettings got;
    QVERIFY(c.readLineSettings(got));
    QCOMPARE(got, (LineSettings{38400, 8, 0, 2, false}));
    SerialError err;
    QVERIFY(!c.setSettings(u"38400,N,8"_s, &err));
    QCOMPARE(err.kind, SerialErrorKind::InvalidArgument);
    QVERIFY(!c.setSettings(u"1200,E,7,1"_s, &err)); // the pty cannot carry parity
    QCOMPARE(err.kind, SerialErrorKind::Unsupported);
    QCOMPARE(c.Settings(), u"38400,n,8,2"_s);

    c.setPortOpen(false);
    termios restored{};
    QVERIFY(::tcgetattr(other, &restored) == 0);
    ::close(other);
    QCOMPARE(restored.c_lflag, original.c_lflag);
    QCOMPARE(restored.c_iflag, original.c_iflag);
    QCOMPARE(restored.c_cflag, original.c_cflag);
}

void TestSerialComm::modemLinesOnPty() {
    Pty pty;
    QVERIFY(pty.ok());
    SerialComm c;
    QVERIFY(openCom1(c));
    // A pseudo-terminal has no modem lines: inputs read False, outputs keep what was set.
    QVERIFY(c.modemChangesNotified());
    QVERIFY(!c.CTSHolding());
    QVERIFY(!c.DSRHolding());
    QVERIFY(!c.CDHolding());
    QVERIFY(c.DTREnable());
    QVERIFY(c.RTSEnable());
    c.setDTREnable(false);
    QVERIFY(!c.DTREnable());
    QVERIFY(c.RTSEnable());
    c.setRTSEnable(false);
    QVERIFY(!c.RTSEnable());
    c.setDTREnable(true);
    QVERIFY(c.DTREnable());
    QVERIFY(c.PortOpen());
}

void TestSerialComm::hangupClosesPort() {
    Pty pty;
    QVERIFY(pty.ok());
    const int fdsBefore = openFdCount(); // with the master
    SerialComm c;
    QVERIFY(openCom1(c));
    QList<int> events;
    connect(&c, &SerialComm::OnComm, this, [&] { events.append(c.CommEvent()); });
    QVERIFY(::write(pty.master, "hi", 2) == 2);
    QTRY_VERIFY(events.contains(SerialComm::comEvReceive));
    QCOMPARE(c.Input(), "hi"_ba);

    pty.closeMaster();
    QTRY_VERIFY(!c.PortOpen());
    QTRY_COMPARE(events.count(SerialComm::comEvPortGone), 1);
    QCOMPARE(c.lastError().kind, SerialErrorKind::Gone);
    QCOMPARE(c.CommID(), -1);
    QCOMPARE(openFdCount(), fdsBefore - 1);
    QVERIFY2(QDir(lockDir_.path()).entryList(QDir::Files).isEmpty(), "lock released");

    // Nothing spins on the dead descriptor.
    const double cpu0 = cpuSeconds();
    QTest::qWait(500);
    const double used = cpuSeconds() - cpu0;
    QVERIFY2(used < 0.25, qPrintable(u"%1 s CPU in 0.5 s after the hang-up"_s.arg(used)));
    QCOMPARE(events.count(SerialComm::comEvPortGone), 1);
    QCOMPARE(c.Output("late"_ba), 0);
    QVERIFY(!c.PortOpen());
}

QTEST_GUILESS_MAIN(TestSerialComm)
#include "tst_serialcomm.moc"
