// The other end hangs up while a port window is receiving and repeating.
#include "app/mdiform.h"
#include "tests/support/processes.h"
#include "portwin/portwindow.h"
#include "serial/portlock.h"
#include "serial/portmap.h"
#include "tests/support/testpty.h"

#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using namespace testproc;

class tst_Hangup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hangupMidStream() {
        const QString lockDir = PortLock::lockDirectory();
        QVERIFY2(!lockDir.isEmpty(), "the tests' lock directory is set up by ctest");
        auto pty = std::make_unique<TestPty>();
        QVERIFY(pty->ok());
        const QString slave = pty->slave;
        PortMap::setCurrent({{1, slave}});

        MDIForm1 frame;
        QPointer<MDIChild1> w = new MDIChild1(&frame);
        w->setWindowTitle(u"COM1   9600, None, 8, 1"_s);
        QVERIFY2(w->OpenPort(1), qPrintable(w->openError().message));
        QCOMPARE(fdsOn(slave), 1);
        QVERIFY(QFile::exists(PortLock::lockFilePath(slave)));

        // Repeat on, and the far end streaming at the same time.
        w->action("Repeat")->trigger();
        QVERIFY(w->state().bRepeat);
        QByteArray echoed;
        QTRY_VERIFY((echoed += pty->read()).size() > 20);
        for (int i = 0; i < 50; ++i) {
            QVERIFY(pty->write(QByteArray(512, char('a' + i % 26))));
            echoed += pty->read();
        }
        QTRY_VERIFY(w->state().sRxHistory.size() >= DisplayText::kHistoryLimit);

        pty->closeMaster(); // hang-up mid-stream
        QTRY_VERIFY(w->portGone());
        QVERIFY(!w->comm()->PortOpen());
        QVERIFY2(w->windowTitle().startsWith(u"COM1   "_s), qPrintable(w->windowTitle()));
        QVERIFY2(w->windowTitle().contains(u"gone"_s), qPrintable(w->windowTitle()));

        // Everything released: no descriptor on the slave, no lock file.
        QCOMPARE(fdsOn(slave), 0);
        QCOMPARE(w->comm()->CommID(), -1);
        QVERIFY2(!QFile::exists(PortLock::lockFilePath(slave)), "lock file released");

        // Responsive: a posted event is handled.
        bool handled = false;
        QTimer::singleShot(0, this, [&] { handled = true; });
        QTRY_VERIFY(handled);

        // And idle: a second of event loop costs next to no CPU time.
        const double cpu0 = cpuSeconds();
        QTest::qWait(1000);
        const double used = cpuSeconds() - cpu0;
        QVERIFY2(used < 0.3, qPrintable(u"%1 s CPU in one second after the hang-up"_s.arg(used)));
        QVERIFY2(!w->timerRunning(), "nothing left to poll on a vanished port");
        QVERIFY(w->portGone());

        // Typing into the dead window is harmless.
        w->SendString("late"_ba);
        QVERIFY(!w->comm()->PortOpen());
        delete w;
    }
};

QTEST_MAIN(tst_Hangup)
#include "tst_hangup.moc"
