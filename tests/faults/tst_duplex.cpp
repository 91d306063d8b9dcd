// Two port windows, both directions at full rate, Repeat on in one, for a fixed
// amount of data: nothing lost or reordered either way.
#include "app/mdiform.h"
#include "portwin/display.h"
#include "portwin/portwindow.h"
#include "serial/portmap.h"
#include "tests/support/testpty.h"

#include <QRandomGenerator>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kToWindow = 256 * 1024;   // written into each master
constexpr qsizetype kFromWindow = 256 * 1024; // sent by each window (at least)

QByteArray randomBytes(qsizetype n, quint32 seed) {
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator rng(seed);
    for (char &c : b)
        c = char(rng.bounded(256));
    return b;
}

// One port, seen from both ends.
struct Side {
    TestPty pty;
    MDIChild1 *window = nullptr;
    QByteArray toWindow;      // what the master writes, all of it
    qsizetype written = 0;    // how much of it went in so far
    qsizetype receivedAt = 0; // how much of it the window has shown so far
    bool receiveOk = true;
    QByteArray fromWindow; // what the master read

    void writeSome() {
        if (written == toWindow.size())
            return;
        const qsizetype n = qMin<qsizetype>(4096, toWindow.size() - written);
        const ssize_t done = ::write(pty.master, toWindow.constData() + written, size_t(n));
        if (done > 0)
            written += done;
    }
    void readSome() { fromWindow += pty.read(); }

    // After each receive event the window's history must be the display tail of
    // some prefix of what was written, never going back.
    void checkReceive() {
        const QString &h = window->state().sRxHistory;
        for (qsizetype p = receivedAt; p <= written; ++p) {
            if (p > 0 && !h.endsWith(DisplayText::byteForm(uchar(toWindow[p - 1]))))
                continue;
            if (DisplayText::tailDisplay(QByteArrayView(toWindow).first(p),
                                         DisplayText::kHistoryLimit) == h) {
                receivedAt = p;
                return;
            }
        }
        receiveOk = false;
    }
};

} // namespace

class tst_Duplex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoWindowsBothWays() {
        Side a, b;
        QVERIFY(a.pty.ok() && b.pty.ok());
        PortMap::setCurrent({{1, a.pty.slave}, {2, b.pty.slave}});
        MDIForm1 frame;
        a.window = new MDIChild1(&frame);
        b.window = new MDIChild1(&frame);
        a.window->setWindowTitle(u"COM1"_s);
        b.window->setWindowTitle(u"COM2"_s);
        QVERIFY2(a.window->OpenPort(1), qPrintable(a.window->openError().message));
        QVERIFY2(b.window->OpenPort(2), qPrintable(b.window->openError().message));
        a.toWindow = randomBytes(kToWindow, 1);
        b.toWindow = randomBytes(kToWindow, 2);
        for (Side *s : {&a, &b})
            connect(s->window->comm(), &SerialComm::OnComm, this, [s] {
                if (s->window->comm()->CommEvent() == SerialComm::comEvReceive)
                    s->checkReceive();
            }); // runs after the window's own handler

        // A repeats one odd-sized text; B sends a fixed stream in pieces.
        const QByteArray repeated = randomBytes(257, 3);
        a.window->SendString(repeated);
        a.window->action("Repeat")->trigger();
        QVERIFY(a.window->state().bRepeat);
        const QByteArray bStream = randomBytes(kFromWindow, 4);
        qsizetype bSent = 0;
        QRandomGenerator pieces(5);

        while (a.written < kToWindow || b.written < kToWindow || bSent < bStream.size() ||
               a.fromWindow.size() < kFromWindow) {
            a.writeSome();
            b.writeSome();
            if (bSent < bStream.size() && b.window->comm()->outputQueued() < 64 * 1024) {
                const qsizetype n =
                    qMin<qsizetype>(pieces.bounded(1, 4097), bStream.size() - bSent);
                b.window->SendString(bStream.mid(bSent, n));
                bSent += n;
            }
            a.readSome();
            b.readSome();
            QCoreApplication::processEvents();
        }
        a.window->action("Repeat")->trigger(); // off: the stream ends
        QVERIFY(!a.window->state().bRepeat);
        QTRY_VERIFY(a.window->comm()->outputQueued() == 0 && b.window->comm()->outputQueued() == 0);
        QTRY_VERIFY(
            (a.readSome(), b.readSome(), a.receivedAt == kToWindow && b.receivedAt == kToWindow) ||
            !a.receiveOk || !b.receiveOk);
        a.readSome();
        b.readSome();

        // What the masters got: B's stream exactly, A's text a whole number of times.
        QCOMPARE(b.fromWindow.size(), bStream.size());
        QVERIFY2(b.fromWindow == bStream, "COM2's output lost or reordered bytes");
        QCOMPARE(a.fromWindow.size() % repeated.size(), 0);
        for (qsizetype at = 0; at < a.fromWindow.size(); at += repeated.size())
            QVERIFY2(QByteArrayView(a.fromWindow).sliced(at, repeated.size()) == repeated,
                     qPrintable(u"COM1's repeat stream broken at byte %1"_s.arg(at)));
        QCOMPARE(a.window->comm()->outputRefused(), quint64(0));
        QCOMPARE(b.window->comm()->outputRefused(), quint64(0));

        // What the windows got: everything, in order, lights at the right cell.
        for (Side *s : {&a, &b}) {
            QVERIFY2(s->receiveOk, "a window's receive history skipped or reordered bytes");
            QCOMPARE(s->receivedAt, kToWindow);
            QCOMPARE(s->window->state().sRxHistory,
                     DisplayText::tailDisplay(s->toWindow, DisplayText::kHistoryLimit));
            QCOMPARE(int(s->window->state().rxLight.n), int((kToWindow - 1) % 8 + 1));
        }
        delete a.window;
        delete b.window;
    }
};

QTEST_MAIN(tst_Duplex)
#include "tst_duplex.moc"
