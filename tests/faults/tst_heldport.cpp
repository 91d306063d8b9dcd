// A port held by another program: by picocom, by a UUCP lock file of a live
// process, by another process's flock. Port/Open does not offer it, and opening
// it anyway says it is busy and who holds it. A stale lock file does not block.
#include "app/mdiform.h"
#include "app/opendiagnosis.h"
#include "app/selectport.h"
#include "portwin/portwindow.h"
#include "serial/portlock.h"
#include "serial/portmap.h"
#include "tests/support/processes.h"
#include "tests/support/testpty.h"

#include <QComboBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <memory>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testproc;

namespace {

enum HolderKind { Picocom, LiveLockFile, Flock, StaleLockFile };

QStringList offeredPorts() {
    SelectPort dlg; // its load step probes COM1..COM32
    QStringList entries;
    for (int i = 0; i < dlg.Port->count(); ++i)
        entries << dlg.Port->itemText(i);
    return entries;
}

} // namespace

class tst_HeldPort : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void heldPortIsBusy_data() {
        QTest::addColumn<int>("holder");
        QTest::newRow("picocom on the port") << int(Picocom);
        QTest::newRow("UUCP lock file, live PID") << int(LiveLockFile);
        QTest::newRow("flock by another process") << int(Flock);
        QTest::newRow("stale lock file, dead PID") << int(StaleLockFile);
    }
    void heldPortIsBusy() {
        QFETCH(int, holder);
        TestPty held, free;
        QVERIFY(held.ok() && free.ok());
        PortMap::setCurrent({{1, held.slave}, {2, free.slave}});

        std::unique_ptr<QProcess> picocom;
        std::unique_ptr<testproc::Holder> child;
        pid_t expectedPid = -1;
        QString expectedName;
        const auto lockPath = [&] { return PortLock::lockFilePath(held.slave); };

        switch (HolderKind(holder)) {
        case Picocom: {
            const QString exe = QStandardPaths::findExecutable(u"picocom"_s);
            if (exe.isEmpty())
                QSKIP("picocom is not installed (Debian package picocom)");
            // Debian's picocom holds the port with flock() (no UUCP lock file).
            picocom = std::make_unique<QProcess>();
            picocom->setProcessChannelMode(QProcess::MergedChannels);
            // On SIGTERM picocom signals its whole process group: give it its own.
            picocom->setChildProcessModifier([] { ::setsid(); });
            picocom->start(exe, {u"-q"_s, held.slave}); // stdin is a pipe
            QVERIFY2(picocom->waitForStarted(), qPrintable(picocom->errorString()));
            const QString fdDir = u"/proc/%1/fd"_s.arg(picocom->processId());
            const auto picocomHolds = [&] {
                for (const QString &fd : QDir(fdDir).entryList(QDir::Files | QDir::System))
                    if (QFile::symLinkTarget(fdDir + u'/' + fd) == held.slave)
                        return true;
                return false;
            };
            QTRY_VERIFY2(picocomHolds() || picocom->state() != QProcess::Running,
                         "picocom opens the port");
            QVERIFY2(picocom->state() == QProcess::Running, picocom->readAll().constData());
            expectedPid = pid_t(picocom->processId());
            expectedName = u"picocom"_s;
            break;
        }
        case LiveLockFile:
        case StaleLockFile: {
            pid_t pid = -1;
            if (holder == LiveLockFile) {
                child = std::make_unique<testproc::Holder>(QString(), testproc::Holder::JustLive);
                pid = child->pid;
                expectedPid = pid;
            } else {
                pid = testproc::deadPid();
            }
            QVERIFY(pid > 0);
            QVERIFY(testproc::writeLockFile(lockPath(), pid));
            break;
        }
        case Flock:
            child = std::make_unique<testproc::Holder>(held.slave, testproc::Holder::Flock);
            QVERIFY(child->pid > 0);
            expectedPid = child->pid;
            break;
        }

        const bool busy = holder != StaleLockFile;
        const QStringList expectedOffer =
            busy ? QStringList{u"COM2"_s} : QStringList{u"COM1"_s, u"COM2"_s};
        QCOMPARE(offeredPorts(), expectedOffer);

        MDIForm1 frame;
        auto *w = new MDIChild1(&frame);
        w->setWindowTitle(u"COM1"_s);
        const bool opened = w->OpenPort(1);
        QCOMPARE(opened, !busy);
        if (busy) {
            const SerialError &err = w->openError();
            QCOMPARE(err.kind, SerialErrorKind::Busy);
            QVERIFY(!w->comm()->PortOpen());
            QCOMPARE(fdsOn(held.slave), 0);
            const QString pidText = u"(pid %1)"_s.arg(expectedPid);
            QVERIFY2(err.holder.contains(pidText), qPrintable(err.holder));
            if (!expectedName.isEmpty())
                QVERIFY2(err.holder.startsWith(expectedName), qPrintable(err.holder));
            const QString message = describeOpenFailure(u"COM1"_s, err);
            QVERIFY2(message.contains(err.holder), qPrintable(message));
            QVERIFY2(message.contains(held.slave), qPrintable(message));
            if (holder == LiveLockFile)
                QVERIFY2(QFile::exists(lockPath()), "someone else's lock is left alone");
        } else {
            QVERIFY(w->comm()->PortOpen());
            QFile lock(lockPath());
            QVERIFY(lock.open(QIODevice::ReadOnly));
            QCOMPARE(lock.readAll().trimmed(), QByteArray::number(::getpid()));
        }
        delete w;
        if (!busy)
            QVERIFY2(!QFile::exists(lockPath()), "our own lock goes with the window");

        if (picocom) {
            picocom->terminate();
            if (!picocom->waitForFinished(10000)) {
                picocom->kill();
                picocom->waitForFinished();
            }
        }
        child.reset();
        if (holder == LiveLockFile)
            QFile::remove(lockPath());
        // Once the other program lets go the port is offered again.
        QTRY_COMPARE(offeredPorts(), (QStringList{u"COM1"_s, u"COM2"_s}));
    }
};

QTEST_MAIN(tst_HeldPort)
#include "tst_heldport.moc"
