#include "strings/teststrings.h"

#include <QTest>
#include <QtCore/qnamespace.h>

namespace {

// Options/Strings around the model: copy in, run the dialog, copy back unless
// cancelled.
struct StringsSession {
    KeyStringTable &keys;
    KeyStringTable edit;
    DefineStringsModel model{edit};
    QString box;

    explicit StringsSession(KeyStringTable &k) : keys(k), edit(k) { box = model.load(); }
    void select(int i) { box = model.selectKey(i, box); }
    void finish() {
        if (model.nStatus != -1)
            keys = edit;
    }
};

} // namespace

class TestTestStrings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaults();
    void functionKeys_data();
    void functionKeys();
    void toBytes_data();
    void toBytes();
    void boxText_data();
    void boxText();
    void dialogModel();
    void repeatGate_data();
    void repeatGate();
};

void TestTestStrings::defaults() {
    const KeyStringTable t = TestStrings::defaults();
    QCOMPARE(t(1), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    QCOMPARE(t(2), QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    QCOMPARE(t(3), QStringLiteral("1234567890"));
    QCOMPARE(t(4), QString(50, QLatin1Char('U')));
    for (int i = 5; i <= 12; ++i)
        QVERIFY(t(i).isEmpty());
}

void TestTestStrings::functionKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("index");
    QTest::newRow("F1") << int(Qt::Key_F1) << 1;
    QTest::newRow("F12") << int(Qt::Key_F12) << 12;
    QTest::newRow("Shift+F2") << (Qt::ShiftModifier | Qt::Key_F2).toCombined() << 2;
    QTest::newRow("Ctrl+Alt+F7")
        << (Qt::ControlModifier | Qt::AltModifier | Qt::Key_F7).toCombined() << 7;
    QTest::newRow("F13 is not a string key") << int(Qt::Key_F13) << 0;
    QTest::newRow("letter") << int(Qt::Key_A) << 0;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 0;
}

void TestTestStrings::functionKeys() {
    QFETCH(int, key);
    QFETCH(int, index);
    QCOMPARE(TestStrings::functionKeyIndex(key), index);
}

void TestTestStrings::toBytes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("dropped");
    QTest::newRow("ascii") << QStringLiteral("Hi!") << QByteArray("Hi!") << 0;
    QTest::newRow("line break") << QStringLiteral("a\r\nb") << QByteArray("a\r\nb") << 0;
    QTest::newRow("NUL and 255") << QString(QChar(0)) + QChar(0xFF) << QByteArray("\x00\xFF", 2)
                                 << 0;
    QTest::newRow("latin-1 letter") << QString(QChar(0xE9)) << QByteArray("\xE9") << 0;
    QTest::newRow("euro left out")
        << QString(QChar(0x20AC)) + QLatin1Char('x') << QByteArray("x") << 1;
    QTest::newRow("surrogate pair is one character")
        << QString::fromUcs4(U"a\U0001F600b") << QByteArray("ab") << 1;
}

void TestTestStrings::toBytes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(int, dropped);
    int lost = -1;
    QCOMPARE(TestStrings::toBytes(text, &lost), bytes);
    QCOMPARE(lost, dropped);
    QCOMPARE(TestStrings::toBytes(text), bytes);
}

void TestTestStrings::boxText_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("entry");
    QTest::newRow("plain") << QStringLiteral("abc") << QStringLiteral("abc");
    QTest::newRow("two lines") << QStringLiteral("ab\ncd") << QStringLiteral("ab\r\ncd");
    QTest::newRow("trailing and blank lines")
        << QStringLiteral("\n\nx\n") << QStringLiteral("\r\n\r\nx\r\n");
    QTest::newRow("empty") << QString() << QString();
}

void TestTestStrings::boxText() {
    QFETCH(QString, box);
    QFETCH(QString, entry);
    QCOMPARE(TestStrings::fromBoxText(box), entry);
    QCOMPARE(TestStrings::toBoxText(entry), box);
    // A CR LF already there is not doubled.
    QCOMPARE(TestStrings::fromBoxText(entry), entry);
}

void TestTestStrings::dialogModel() {
    const KeyStringTable start = TestStrings::defaults();

    { // opens on F1
        KeyStringTable keys = start;
        StringsSession s(keys);
        QCOMPARE(s.box, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
        QCOMPARE(s.model.nCurrentKey, qint16(1));
        QCOMPARE(s.model.nStatus, qint16(0));
    }
    { // F5 edited and OK
        KeyStringTable keys = start;
        StringsSession s(keys);
        s.select(5);
        QVERIFY(s.box.isEmpty());
        s.box = QStringLiteral("ping\r\n");
        s.model.ok(s.box);
        s.finish();
        QCOMPARE(keys(5), QStringLiteral("ping\r\n"));
        QCOMPARE(keys(1), start(1));
    }
    { // edits on two keys, then Cancel
        KeyStringTable keys = start;
        StringsSession s(keys);
        s.select(5);
        s.box = QStringLiteral("five");
        s.select(6);
        s.box = QStringLiteral("six");
        s.model.cancel();
        s.finish();
        QCOMPARE(s.model.nStatus, qint16(-1));
        QCOMPARE(keys(5), QString());
        QCOMPARE(keys(6), QString());
    }
    { // close box: only what switching stored survives
        KeyStringTable keys = start;
        StringsSession s(keys);
        s.select(5);
        s.box = QStringLiteral("five");
        s.select(6);
        s.box = QStringLiteral("six");
        s.finish();
        QCOMPARE(keys(5), QStringLiteral("five"));
        QCOMPARE(keys(6), QString());
    }
    { // switching away and back loses nothing
        KeyStringTable keys = start;
        StringsSession s(keys);
        s.select(3);
        QCOMPARE(s.box, QStringLiteral("1234567890"));
        s.select(1);
        QCOMPARE(s.box, start(1));
        s.model.ok(s.box);
        s.finish();
        QCOMPARE(keys.s, start.s);
    }
    { // emptied entry
        KeyStringTable keys = start;
        StringsSession s(keys);
        s.box.clear();
        s.model.ok(s.box);
        s.finish();
        QVERIFY(keys(1).isEmpty());
    }
    { // a key outside 1..12 changes nothing
        KeyStringTable keys = start;
        StringsSession s(keys);
        s.box = QStringLiteral("typed");
        s.select(13);
        QCOMPARE(s.box, QStringLiteral("typed"));
        QCOMPARE(s.model.nCurrentKey, qint16(1));
        QCOMPARE(s.edit(1), start(1));
    }
}

void TestTestStrings::repeatGate_data() {
    QTest::addColumn<qsizetype>("queued");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<qsizetype>("lowWater");
    QTest::addColumn<bool>("maySend");
    QTest::newRow("empty queue, text larger than low water")
        << qsizetype(0) << qsizetype(5000) << qsizetype(1024) << true;
    QTest::newRow("fits exactly") << qsizetype(1000) << qsizetype(24) << qsizetype(1024) << true;
    QTest::newRow("one over") << qsizetype(1000) << qsizetype(25) << qsizetype(1024) << false;
    QTest::newRow("queue above low water")
        << qsizetype(2000) << qsizetype(1) << qsizetype(1024) << false;
}

void TestTestStrings::repeatGate() {
    QFETCH(qsizetype, queued);
    QFETCH(qsizetype, length);
    QFETCH(qsizetype, lowWater);
    QFETCH(bool, maySend);
    QCOMPARE(repeatMaySend(queued, length, lowWater), maySend);
}

QTEST_APPLESS_MAIN(TestTestStrings)
#include "tst_teststrings.moc"
