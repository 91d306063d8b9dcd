#include "portwin/display.h"

#include <QRandomGenerator>
#include <QTest>

class TestDisplay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void byteForm_data();
    void byteForm();
    void runningLine();
    void historyCut_data();
    void historyCut();
    void boxTail_data();
    void boxTail();
    void tailDisplayMatchesFullConversion();
};

void TestDisplay::byteForm_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("form");
    QTest::newRow("NUL") << 0 << QStringLiteral("<00>");
    QTest::newRow("LF") << 10 << QStringLiteral("<0A>");
    QTest::newRow("CR") << 13 << QStringLiteral("<0D>");
    QTest::newRow("space is hex") << 32 << QStringLiteral("<20>");
    QTest::newRow("! is plain") << 33 << QStringLiteral("!");
    QTest::newRow("letter") << 65 << QStringLiteral("A");
    QTest::newRow("} is plain") << 125 << QStringLiteral("}");
    QTest::newRow("tilde is hex") << 126 << QStringLiteral("<7E>");
    QTest::newRow("DEL") << 127 << QStringLiteral("<7F>");
    QTest::newRow("high byte upper-case") << 0xAB << QStringLiteral("<AB>");
    QTest::newRow("255") << 255 << QStringLiteral("<FF>");
}

void TestDisplay::byteForm() {
    QFETCH(int, byte);
    QFETCH(QString, form);
    QCOMPARE(DisplayText::byteForm(uchar(byte)), form);
    QCOMPARE(DisplayText::toDisplay(QByteArray(1, char(byte))), form);
}

void TestDisplay::runningLine() {
    QCOMPARE(DisplayText::toDisplay("AB\r\n"), QStringLiteral("AB<0D><0A>"));
    QString out = QStringLiteral("x");
    DisplayText::appendDisplay(out, QByteArrayView("\x00~}", 3));
    QCOMPARE(out, QStringLiteral("x<00><7E>}"));
}

void TestDisplay::historyCut_data() {
    QTest::addColumn<QString>("history");
    QTest::addColumn<QString>("piece");
    QTest::addColumn<QString>("expected");

    QString h2046;
    for (int i = 0; i < 2046; ++i)
        h2046 += QLatin1Char(char('a' + i % 26));
    QTest::newRow("2046 + <07> drops two oldest")
        << h2046 << QStringLiteral("<07>") << h2046.mid(2) + QStringLiteral("<07>");

    QString h2040 = h2046.left(2040);
    QTest::newRow("2040 + 12 keeps last 2036 old")
        << h2040 << QStringLiteral("<01><02><03>")
        << h2040.right(2036) + QStringLiteral("<01><02><03>");

    QString big = DisplayText::toDisplay(QByteArray(600, '\x01'));
    QTest::newRow("piece longer than limit replaces all") << h2046 << big << big.right(2048);

    QString exact(2048, QLatin1Char('Z'));
    QTest::newRow("piece of exactly the limit") << h2046 << exact << exact;
    QTest::newRow("fits without cut")
        << QStringLiteral("ab") << QStringLiteral("c") << QStringLiteral("abc");
    QTest::newRow("empty piece keeps history") << h2040 << QString() << h2040;
}

void TestDisplay::historyCut() {
    QFETCH(QString, history);
    QFETCH(QString, piece);
    QFETCH(QString, expected);
    DisplayText::appendToHistory(history, piece);
    QCOMPARE(history.size(), expected.size());
    QCOMPARE(history, expected);
}

void TestDisplay::boxTail_data() {
    QTest::addColumn<int>("historyLength");
    QTest::addColumn<int>("visible");
    QTest::addColumn<int>("firstShown"); // 1-based index of the first character shown
    QTest::addColumn<int>("shown");
    QTest::newRow("500 in 312 shows 189..500") << 500 << 312 << 189 << 312;
    QTest::newRow("200 in 312 shows all") << 200 << 312 << 1 << 200;
    QTest::newRow("exact fit") << 312 << 312 << 1 << 312;
    QTest::newRow("visible 0 shows nothing") << 500 << 0 << 1 << 0;
    QTest::newRow("negative visible shows nothing") << 500 << -5 << 1 << 0;
}

void TestDisplay::boxTail() {
    QFETCH(int, historyLength);
    QFETCH(int, visible);
    QFETCH(int, firstShown);
    QFETCH(int, shown);
    QString history;
    for (int i = 0; i < historyLength; ++i)
        history += QLatin1Char(char(33 + i % 90));
    QCOMPARE(DisplayText::boxTail(history, visible), history.mid(firstShown - 1, shown));
}

// The fast tail must equal converting everything and cutting, including a cut
// inside a hex group and limits near the chunk's own length.
void TestDisplay::tailDisplayMatchesFullConversion() {
    QRandomGenerator rng(20240611);
    const qsizetype limits[] = {0, 1, 2, 3, 4, 5, 7, 2047, 2048, 2049, 100000};
    for (int round = 0; round < 400; ++round) {
        const int len = int(rng.bounded(round < 200 ? 40 : 3000));
        const int mode = round % 3; // 0 mixed, 1 mostly hex, 2 mostly plain
        QByteArray bytes(len, Qt::Uninitialized);
        for (char &c : bytes) {
            const quint32 r = rng.bounded(256);
            c = char(mode == 1 ? (r % 34) : mode == 2 && r % 10 ? 33 + r % 93 : r);
        }
        const QString full = DisplayText::toDisplay(bytes);
        for (qsizetype limit : limits) {
            const QString fast = DisplayText::tailDisplay(bytes, limit);
            if (fast != full.right(limit))
                QFAIL(qPrintable(QStringLiteral("round %1, length %2, limit %3")
                                     .arg(round)
                                     .arg(len)
                                     .arg(limit)));
        }
    }
}

QTEST_APPLESS_MAIN(TestDisplay)
#include "tst_display.moc"
