#include "portwin/portstate.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Step-by-step reference for the receive and transmit rules: one light step
// and one display form per byte, then the history rule as written.
struct NaiveWindow {
    QString rx, tx;
    int rxLight = 0, txLight = 0;
    int rxVisible = 0, txVisible = 0;

    static void step(int &n) {
        n = n + 1;
        if (n == 9)
            n = 1;
    }
    static QString form(uchar c) {
        if (c >= 33 && c <= 125)
            return QString(QLatin1Char(char(c)));
        return QStringLiteral("<%1>").arg(int(c), 2, 16, QLatin1Char('0')).toUpper();
    }
    static QString tail(const QString &h, int visible) {
        if (h.size() > visible)
            return visible > 0 ? h.right(visible) : QString();
        return h;
    }
    QString receive(const QByteArray &chunk) {
        QString piece;
        for (char c : chunk) {
            step(rxLight);
            piece += form(uchar(c));
        }
        rx += piece;
        if (rx.size() > 2048)
            rx = rx.right(2048);
        return tail(rx, rxVisible);
    }
    QString send(const QByteArray &s) {
        QString piece;
        for (char c : s) {
            step(txLight);
            piece += form(uchar(c));
        }
        if (piece.size() > 2048)
            tx = piece.right(2048);
        else if (tx.size() > 2048 - piece.size())
            tx = tx.right(2048 - piece.size()) + piece;
        else
            tx += piece;
        return tail(tx, txVisible);
    }
};

QByteArray randomBytes(QRandomGenerator &rng, int len) {
    QByteArray b(len, Qt::Uninitialized);
    const bool controlHeavy = rng.bounded(2) == 0;
    for (char &c : b)
        c = char(controlHeavy ? rng.bounded(40) : rng.bounded(256));
    return b;
}

QString filled(int n) {
    QString s;
    for (int i = 0; i < n; ++i)
        s += QLatin1Char(char('a' + i % 26));
    return s;
}

} // namespace

class TestPortState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshWindow();
    void receiveCutsHistory();
    void boxCanBeginInsideHexGroup();
    void hiddenBoxKeepsCollecting();
    void emptyChunkShowsHistoryAgain();
    void sendRules();
    void clearKeepsLightsAndLastSent();
    void matchesStepByStepReference();
};

void TestPortState::freshWindow() {
    PortWindowState s;
    QCOMPARE(s.sLastSent, QByteArray("U"));
    QCOMPARE(s.nRxLimit, qint16(2048));
    QCOMPARE(s.nTxLimit, qint16(2048));
    QCOMPARE(s.rxLight.n, qint16(0));
    QCOMPARE(s.txLight.n, qint16(0));
    QVERIFY(s.bLastCD && s.bLastCTS && s.bLastDSR && s.bLastRTS && s.bLastDTR);
    QVERIFY(!s.bRepeat);
}

void TestPortState::receiveCutsHistory() {
    PortWindowState s;
    s.nRxVisible = 4000;
    s.sRxHistory = filled(2046);
    const QString old = s.sRxHistory;
    QCOMPARE(s.receive("\x07"), old.mid(2) + QStringLiteral("<07>"));
    QCOMPARE(s.sRxHistory.size(), 2048);

    // 600 control bytes are 2400 display characters: whatever was there goes.
    const QByteArray controls(600, '\x1B');
    s.receive(controls);
    QCOMPARE(s.sRxHistory, DisplayText::toDisplay(controls).right(2048));
    QCOMPARE(s.sRxHistory.left(4), QStringLiteral("<1B>"));
}

void TestPortState::boxCanBeginInsideHexGroup() {
    PortWindowState s;
    s.nRxVisible = 2048;
    s.receive(QByteArray(512, '\r')); // exactly 2048 characters
    const QString box = s.receive("AB");
    QVERIFY2(box.startsWith(QStringLiteral("D><0D>")), qPrintable(box.left(8)));
    QVERIFY(box.endsWith(QStringLiteral("<0D>AB")));
}

void TestPortState::hiddenBoxKeepsCollecting() {
    PortWindowState s;
    QCOMPARE(s.receive("hello"), QString());
    QCOMPARE(s.sRxHistory, QStringLiteral("hello"));
    s.nRxVisible = 3;
    QCOMPARE(s.rxBoxText(), QStringLiteral("llo"));
}

void TestPortState::emptyChunkShowsHistoryAgain() {
    PortWindowState s;
    s.nRxVisible = 100;
    s.receive("abc");
    const qint16 light = s.rxLight.n;
    QCOMPARE(s.receive(QByteArrayView()), QStringLiteral("abc"));
    QCOMPARE(s.sRxHistory, QStringLiteral("abc"));
    QCOMPARE(s.rxLight.n, light);
}

void TestPortState::sendRules() {
    PortWindowState s;
    s.nTxVisible = 5000;
    s.sTxHistory = filled(2040);
    const QString old = s.sTxHistory;
    QCOMPARE(s.recordSend(QByteArray("\x01\x02\x03")),
             old.right(2036) + QStringLiteral("<01><02><03>"));
    QCOMPARE(s.sLastSent, QByteArray("\x01\x02\x03"));
    QCOMPARE(s.txLight.n, qint16(3));
    QCOMPARE(s.rxLight.n, qint16(0));

    QByteArray long3000;
    for (int i = 0; i < 3000; ++i)
        long3000 += char('A' + i % 26);
    s.recordSend(long3000);
    QCOMPARE(s.sTxHistory, QString::fromLatin1(long3000.right(2048)));
    QCOMPARE(s.sLastSent, long3000); // the port gets all 3000 bytes
}

void TestPortState::clearKeepsLightsAndLastSent() {
    PortWindowState s;
    s.nRxVisible = s.nTxVisible = 100;
    s.receive("rx");
    s.recordSend("tx!");
    s.bRepeat = true;
    s.clear();
    QVERIFY(s.sRxHistory.isEmpty() && s.sTxHistory.isEmpty());
    QVERIFY(s.rxBoxText().isEmpty() && s.txBoxText().isEmpty());
    QCOMPARE(s.rxLight.n, qint16(2));
    QCOMPARE(s.txLight.n, qint16(3));
    QCOMPARE(s.sLastSent, QByteArray("tx!"));
    QVERIFY(s.bRepeat);
    s.recordSend("x");
    QCOMPARE(s.txLight.n, qint16(4));
}

void TestPortState::matchesStepByStepReference() {
    QRandomGenerator rng(7);
    for (int run = 0; run < 20; ++run) {
        PortWindowState fast;
        NaiveWindow naive;
        for (int op = 0; op < 60; ++op) {
            const quint32 kind = rng.bounded(10);
            if (kind == 0) {
                const int visible = int(rng.bounded(2500));
                fast.nRxVisible = qint16(visible);
                fast.nTxVisible = qint16(visible / 2);
                naive.rxVisible = visible;
                naive.txVisible = visible / 2;
                continue;
            }
            const int len = kind < 3 ? int(rng.bounded(3000)) : int(rng.bounded(12));
            const QByteArray bytes = randomBytes(rng, len);
            if (kind % 2) {
                QCOMPARE(fast.receive(bytes), naive.receive(bytes));
            } else if (!bytes.isEmpty()) {
                QCOMPARE(fast.recordSend(bytes), naive.send(bytes));
            }
            QCOMPARE(fast.sRxHistory, naive.rx);
            QCOMPARE(fast.sTxHistory, naive.tx);
            QCOMPARE(int(fast.rxLight.n), naive.rxLight);
            QCOMPARE(int(fast.txLight.n), naive.txLight);
        }
    }
}

QTEST_APPLESS_MAIN(TestPortState)
#include "tst_portstate.moc"
