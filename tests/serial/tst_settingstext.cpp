#include "serial/linesettings.h"

#include <QString>
#include <QTest>

class TestSettingsText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void combinations_data();
    void combinations();
};

void TestSettingsText::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("data");
    QTest::addColumn<int>("stop");
    QTest::addColumn<QString>("canonical");

    QTest::newRow("lower case") << "9600,n,8,1" << true << 9600u << 0 << 8 << 0 << "9600,n,8,1";
    QTest::newRow("upper case") << "9600,N,8,1" << true << 9600u << 0 << 8 << 0 << "9600,n,8,1";
    QTest::newRow("odd") << "19200,O,7,2" << true << 19200u << 1 << 7 << 2 << "19200,o,7,2";
    QTest::newRow("even") << "115200,e,8,1" << true << 115200u << 2 << 8 << 0 << "115200,e,8,1";
    QTest::newRow("mark") << "300,M,7,1" << true << 300u << 3 << 7 << 0 << "300,m,7,1";
    QTest::newRow("space") << "1200,s,6,2" << true << 1200u << 4 << 6 << 2 << "1200,s,6,2";
    QTest::newRow("5 bits 1.5 stop")
        << "150,n,5,1.5" << true << 150u << 0 << 5 << 1 << "150,n,5,1.5";
    QTest::newRow("blanks around fields")
        << " 9600 , n , 8 , 1 " << true << 9600u << 0 << 8 << 0 << "9600,n,8,1";

    const auto bad = [](const char *name, const char *text) {
        QTest::newRow(name) << QString::fromLatin1(text) << false << 0u << 0 << 0 << 0 << QString();
    };
    bad("empty", "");
    bad("three fields", "9600,n,8");
    bad("five fields", "9600,n,8,1,x");
    bad("baud not a number", "fast,n,8,1");
    bad("negative baud", "-9600,n,8,1");
    bad("zero baud", "0,n,8,1");
    bad("baud with fraction", "9600.5,n,8,1");
    bad("unknown parity", "9600,x,8,1");
    bad("parity word", "9600,none,8,1");
    bad("empty parity", "9600,,8,1");
    bad("4 data bits", "9600,n,4,1");
    bad("9 data bits", "9600,n,9,1");
    bad("stop bits 3", "9600,n,8,3");
    bad("stop bits 0", "9600,n,8,0");
    bad("stop bits 1.0", "9600,n,8,1.0");
    bad("8 bits with 1.5 stop", "9600,n,8,1.5");
    bad("5 bits with 2 stop", "9600,n,5,2");
    bad("semicolons", "9600;n;8;1");
}

void TestSettingsText::parse() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    LineSettings s;
    s.BaudRate = 1;
    QString why;
    QCOMPARE(parseSettingsText(text, &s, &why), ok);
    if (!ok) {
        QVERIFY2(!why.isEmpty(), "a refused text says why");
        QCOMPARE(s.BaudRate, 1u); // untouched
        return;
    }
    QFETCH(quint32, baud);
    QFETCH(int, parity);
    QFETCH(int, data);
    QFETCH(int, stop);
    QFETCH(QString, canonical);
    QCOMPARE(s.BaudRate, baud);
    QCOMPARE(int(s.Parity), parity);
    QCOMPARE(int(s.ByteSize), data);
    QCOMPARE(int(s.StopBits), stop);
    QCOMPARE(s.fParity, parity != 0);
    QCOMPARE(settingsText(s), canonical);
}

void TestSettingsText::combinations_data() {
    QTest::addColumn<int>("data");
    QTest::addColumn<int>("stop");
    QTest::addColumn<bool>("valid");
    for (int data = 5; data <= 8; ++data) {
        for (int stop = 0; stop <= 2; ++stop) {
            const bool valid = data == 5 ? stop != 2 : stop != 1;
            QTest::addRow("%d data bits, stop code %d", data, stop) << data << stop << valid;
        }
    }
}

void TestSettingsText::combinations() {
    QFETCH(int, data);
    QFETCH(int, stop);
    QFETCH(bool, valid);
    LineSettings s;
    s.ByteSize = quint8(data);
    s.StopBits = quint8(stop);
    QCOMPARE(isValidCombination(s), valid);
}

QTEST_APPLESS_MAIN(TestSettingsText)
#include "tst_settingstext.moc"
