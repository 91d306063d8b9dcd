#include "serial/portmap.h"
#include "serial/serialcomm.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The loopback plug shows what a pseudo-terminal cannot: line pacing and modem lines.
class TestLoopback : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void echoesEveryByteValue();
    void pacedAtTheLineRate();
    void modemWiring();
    void exclusivePerComNumber();
    void lineSettingsInMemory();
    void outputBound();

private:
    static bool open(SerialComm &c, int port, const QString &settings = u"9600,N,8,1"_s,
                     SerialError *err = nullptr) {
        c.setCommPort(port);
        c.setSettings(settings);
        c.setRThreshold(1);
        return c.setPortOpen(true, err);
    }
};

void TestLoopback::init() {
    PortMap::setCurrent({{2, u"loopback"_s}, {3, u"loopback"_s}});
}

void TestLoopback::echoesEveryByteValue() {
    SerialComm c;
    QVERIFY(open(c, 2, u"115200,n,8,1"_s));
    QCOMPARE(c.CommID(), -1);
    QCOMPARE(c.devicePath(), u"loopback"_s);
    QByteArray sent;
    for (int i = 0; i < 512; ++i)
        sent.append(char(i * 37 + i / 256));
    QCOMPARE(c.Output(sent), sent.size());

    QByteArray got;
    int receiveEvents = 0;
    connect(&c, &SerialComm::OnComm, this, [&] {
        if (c.CommEvent() == SerialComm::comEvReceive) {
            ++receiveEvents;
            got += c.Input();
        }
    });
    QTRY_COMPARE(got.size(), sent.size());
    QCOMPARE(got, sent);
    QVERIFY2(receiveEvents < sent.size() / 4, "bytes arrive in batches, not one event each");
    QCOMPARE(c.outputQueued(), 0);
}

void TestLoopback::pacedAtTheLineRate() {
    SerialComm c;
    QVERIFY(open(c, 2, u"300,n,8,1"_s)); // 10 bits a character: 30 bytes take a second
    const QByteArray sent(30, 'x');
    QCOMPARE(c.Output(sent), 30);
    QVERIFY(c.outputQueued() > 0);
    QByteArray got;
    connect(&c, &SerialComm::OnComm, this, [&] { got += c.Input(); });
    QTest::qWait(100);
    QVERIFY2(got.size() < 30, "30 bytes at 300 baud cannot all be through after 100 ms");
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), 30, 10000);
    QCOMPARE(got, sent);
    QCOMPARE(c.outputQueued(), 0);
}

void TestLoopback::modemWiring() {
    SerialComm c;
    QVERIFY(open(c, 2));
    QVERIFY(c.modemChangesNotified());
    QVERIFY(c.DTREnable());
    QVERIFY(c.RTSEnable());
    QVERIFY(c.DSRHolding());
    QVERIFY(c.CDHolding());
    QVERIFY(c.CTSHolding());

    QList<int> events;
    connect(&c, &SerialComm::OnComm, this, [&] { events.append(c.CommEvent()); });
    c.setDTREnable(false);
    QVERIFY2(events.isEmpty(), "OnComm comes through the event loop, not from the setter");
    QVERIFY(!c.DTREnable());
    QVERIFY(!c.DSRHolding());
    QVERIFY(!c.CDHolding());
    QVERIFY(c.CTSHolding());
    QTRY_COMPARE(events, (QList<int>{SerialComm::comEvDSR, SerialComm::comEvCD}));

    events.clear();
    c.setRTSEnable(false);
    QVERIFY(!c.CTSHolding());
    QTRY_COMPARE(events, QList<int>{SerialComm::comEvCTS});

    events.clear();
    c.setRTSEnable(false); // no change, no event
    c.setDTREnable(true);
    QTRY_COMPARE(events, (QList<int>{SerialComm::comEvDSR, SerialComm::comEvCD}));
    QVERIFY(c.DSRHolding());
}

void TestLoopback::exclusivePerComNumber() {
    SerialComm a;
    SerialComm b;
    SerialComm other;
    QVERIFY(open(a, 2));
    SerialError err;
    QVERIFY(!open(b, 2, u"9600,N,8,1"_s, &err));
    QCOMPARE(err.kind, SerialErrorKind::Busy);
    QVERIFY(!b.PortOpen());
    QVERIFY2(!err.holder.isEmpty(), "the holder is this program");
    QVERIFY(open(other, 3)); // another COM number has its own plug

    QVERIFY(a.setPortOpen(false));
    QVERIFY(open(b, 2));
    {
        SerialComm scoped;
        QVERIFY(!open(scoped, 3));
        other.setPortOpen(false);
        QVERIFY(open(scoped, 3));
    }
    QVERIFY2(open(other, 3), "destroying a component releases its plug");
}

void TestLoopback::lineSettingsInMemory() {
    SerialComm c;
    QVERIFY(open(c, 2));
    LineSettings s;
    QVERIFY(c.readLineSettings(s));
    QCOMPARE(s, (LineSettings{9600, 8, 0, 0, false}));

    const LineSettings mark{2400, 7, 3, 2, true};
    QVERIFY(c.writeLineSettings(mark));
    QVERIFY(c.readLineSettings(s));
    QCOMPARE(s, mark);

    SerialError err;
    QVERIFY(!c.writeLineSettings(LineSettings{9600, 8, 0, 1, false}, &err));
    QCOMPARE(err.kind, SerialErrorKind::Unsupported);
    QVERIFY2(err.message.contains(u"8 data bits with 1.5 stop bits"_s), qPrintable(err.message));
    QVERIFY(!c.writeLineSettings(LineSettings{12345, 8, 0, 0, false}, &err));
    QCOMPARE(err.kind, SerialErrorKind::Unsupported);
    QVERIFY(c.readLineSettings(s));
    QCOMPARE(s, mark);
}

void TestLoopback::outputBound() {
    SerialComm c;
    QVERIFY(open(c, 2, u"300,n,8,1"_s));
    const QByteArray big(SerialComm::kOutputQueueLimit + 1000, 'b');
    QCOMPARE(c.Output(big), SerialComm::kOutputQueueLimit);
    QCOMPARE(c.outputRefused(), 1000u);
    QCOMPARE(c.Output(QByteArray(7, 'c')), 0);
    QCOMPARE(c.outputRefused(), 1007u);
    QVERIFY(c.outputQueued() <= SerialComm::kOutputQueueLimit);

    c.setPortOpen(false);
    QCOMPARE(c.Output(QByteArray("x")), 0);
    QCOMPARE(c.outputQueued(), 0);
}

QTEST_GUILESS_MAIN(TestLoopback)
#include "tst_loopback.moc"
