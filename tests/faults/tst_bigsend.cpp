// A 1 MiB string through SendString goes out whole and byte-exact, and the
// window keeps handling events while the line drains it.
#include "app/mdiform.h"
#include "portwin/portwindow.h"
#include "serial/portmap.h"
#include "tests/support/testpty.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class tst_BigSend : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oneMebibyteSentWhole() {
        TestPty pty;
        QVERIFY(pty.ok());
        PortMap::setCurrent({{1, pty.slave}});
        MDIForm1 frame;
        auto *w = new MDIChild1(&frame);
        w->setWindowTitle(u"COM1"_s);
        QVERIFY2(w->OpenPort(1), qPrintable(w->openError().message));

        QByteArray text(1 << 20, Qt::Uninitialized);
        QRandomGenerator rng(4711);
        rng.fillRange(reinterpret_cast<quint32 *>(text.data()), text.size() / 4);
        w->SendString(text);
        QCOMPARE(w->comm()->outputRefused(), quint64(0));
        QCOMPARE(w->state().sLastSent, text);
        QVERIFY(w->state().sTxHistory.size() <= DisplayText::kHistoryLimit);

        // Nobody reads the master yet, so the line cannot have taken it all:
        // a timer posted now still fires while the rest waits.
        bool fired = false;
        qsizetype pendingWhenFired = -1;
        QTimer::singleShot(0, this, [&] {
            fired = true;
            pendingWhenFired = w->comm()->outputQueued();
        });
        QTRY_VERIFY(fired);
        QVERIFY2(pendingWhenFired > 0, "the send drained before the event loop ran");

        const QByteArray got = pty.read(text.size(), 120000);
        QCOMPARE(got.size(), text.size());
        QVERIFY2(got == text, "bytes changed on the way");
        QTRY_COMPARE(w->comm()->outputQueued(), qsizetype(0));
        QCOMPARE(pty.read(), QByteArray()); // and nothing more
        delete w;
    }
};

QTEST_MAIN(tst_BigSend)
#include "tst_bigsend.moc"
