// A user who may not open the device: the open fails as PermissionDenied and
// the message a person sees names the group to join.
#include "app/opendiagnosis.h"
#include "serial/portmap.h"
#include "serial/serialcomm.h"
#include "tests/support/testpty.h"

#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace Qt::StringLiterals;

class tst_Permission : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unprivilegedUserIsToldWhichGroup() {
        if (::getuid() != 0)
            QSKIP("NOT RUN: needs root to hand the pseudo-terminal to another user; "
                  "run the tests as root (CI does) to cover the permission case");
        TestPty pty;
        QVERIFY(pty.ok());
        PortMap::setCurrent({{1, pty.slave}});
        const QByteArray slave = QFile::encodeName(pty.slave);
        QVERIFY(::chmod(slave.constData(), 0600) == 0);
        const QString group = deviceGroup(pty.slave);
        QVERIFY(!group.isEmpty());

        int fds[2];
        QVERIFY(::pipe(fds) == 0);
        const pid_t pid = ::fork();
        QVERIFY(pid >= 0);
        if (pid == 0) {
            ::close(fds[0]);
            QByteArray report = "could not become nobody";
            if (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0) {
                SerialComm c;
                SerialError err;
                c.setCommPort(1);
                if (c.setPortOpen(true, &err))
                    report = "opened";
                else
                    report = QByteArray::number(int(err.kind)) + '\n' +
                             describeOpenFailure(u"COM1"_s, err).toUtf8();
            }
            (void)!::write(fds[1], report.constData(), size_t(report.size()));
            ::_exit(0);
        }
        ::close(fds[1]);
        QByteArray report;
        char buf[4096];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
            report.append(buf, n);
        ::close(fds[0]);
        int status = -1;
        ::waitpid(pid, &status, 0);
        QCOMPARE(status, 0);

        const qsizetype nl = report.indexOf('\n');
        QVERIFY2(nl > 0, report.constData());
        QCOMPARE(SerialErrorKind(report.left(nl).toInt()), SerialErrorKind::PermissionDenied);
        const QString message = QString::fromUtf8(report.mid(nl + 1));
        QVERIFY2(message.contains(pty.slave), qPrintable(message));
        QVERIFY2(message.contains(u"usermod -aG %1"_s.arg(group)), qPrintable(message));
        QVERIFY2(message.contains(u"'%1'"_s.arg(group)), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(tst_Permission)
#include "tst_permission.moc"
