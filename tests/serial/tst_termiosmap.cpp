#include "serial/termiosmap.h"

#include <QTest>

Q_DECLARE_METATYPE(LineSettings)

// The termios bits behind each line setting: what a real UART driver gets.
class TestTermiosMap : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mapping_data();
    void mapping();
    void otherBitsUntouched();
    void rates();
};

void TestTermiosMap::mapping_data() {
    QTest::addColumn<LineSettings>("settings");
    QTest::addColumn<tcflag_t>("cflag");
    QTest::addColumn<bool>("inpck");
    QTest::newRow("8 none 1") << LineSettings{9600, 8, 0, 0, false} << tcflag_t(CS8) << false;
    QTest::newRow("7 odd 1") << LineSettings{9600, 7, 1, 0, true} << tcflag_t(CS7 | PARENB | PARODD)
                             << true;
    QTest::newRow("8 even 2") << LineSettings{19200, 8, 2, 2, true}
                              << tcflag_t(CS8 | PARENB | CSTOPB) << true;
    QTest::newRow("7 mark 1") << LineSettings{2400, 7, 3, 0, true}
                              << tcflag_t(CS7 | PARENB | CMSPAR | PARODD) << true;
    QTest::newRow("8 space 1") << LineSettings{2400, 8, 4, 0, true}
                               << tcflag_t(CS8 | PARENB | CMSPAR) << true;
    QTest::newRow("5 none 1.5") << LineSettings{150, 5, 0, 1, false} << tcflag_t(CS5 | CSTOPB)
                                << false;
    QTest::newRow("6 none 2") << LineSettings{300, 6, 0, 2, false} << tcflag_t(CS6 | CSTOPB)
                              << false;
    QTest::newRow("even, not checked")
        << LineSettings{1200, 7, 2, 0, false} << tcflag_t(CS7 | PARENB) << false;
}

void TestTermiosMap::mapping() {
    QFETCH(LineSettings, settings);
    QFETCH(tcflag_t, cflag);
    QFETCH(bool, inpck);
    termios t{};
    t.c_cflag = CS8 | PARENB | PARODD | CMSPAR | CSTOPB; // everything set before
    t.c_iflag = INPCK;
    speed_t speed{};
    QVERIFY(TermiosMap::speedCode(settings.BaudRate, &speed));
    TermiosMap::apply(t, settings, speed);
    QCOMPARE(t.c_cflag & tcflag_t(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR), cflag);
    QCOMPARE(bool(t.c_iflag & INPCK), inpck);
    QCOMPARE(TermiosMap::read(t), settings);
}

void TestTermiosMap::otherBitsUntouched() {
    termios t{};
    t.c_iflag = IGNBRK | IXON | INPCK;
    t.c_oflag = OPOST | ONLCR;
    t.c_cflag = CLOCAL | CREAD | HUPCL | CRTSCTS | CS7 | PARENB;
    t.c_lflag = ICANON | ECHO;
    t.c_cc[VMIN] = 5;
    termios before = t;
    speed_t speed{};
    QVERIFY(TermiosMap::speedCode(57600, &speed));
    TermiosMap::apply(t, LineSettings{57600, 8, 0, 0, false}, speed);
    QCOMPARE(t.c_iflag, before.c_iflag & ~tcflag_t(INPCK));
    QCOMPARE(t.c_oflag, before.c_oflag);
    QCOMPARE(t.c_lflag, before.c_lflag);
    QCOMPARE(t.c_cflag & tcflag_t(CLOCAL | CREAD | HUPCL | CRTSCTS),
             tcflag_t(CLOCAL | CREAD | HUPCL | CRTSCTS));
    QCOMPARE(t.c_cc[VMIN], cc_t(5));
}

void TestTermiosMap::rates() {
    const quint32 listed[] = {150,   300,   600,    1200,   2400,   4800,    9600,   19200,
                              38400, 57600, 115200, 230400, 460800, 1000000, 4000000};
    for (quint32 baud : listed) {
        speed_t code{};
        QVERIFY2(TermiosMap::speedCode(baud, &code), qPrintable(QString::number(baud)));
        QCOMPARE(TermiosMap::speedBaud(code), baud);
    }
    speed_t code{};
    QVERIFY(!TermiosMap::speedCode(12345, &code));
    QVERIFY(!TermiosMap::speedCode(0, &code));
    QVERIFY(!TermiosMap::speedCode(250000, &code));
}

QTEST_APPLESS_MAIN(TestTermiosMap)
#include "tst_termiosmap.moc"
