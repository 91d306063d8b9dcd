#include "config/configmap.h"

#include <QTest>

namespace {

LineSettings settings(quint32 baud, int parity, bool fParity, int byteSize, int stopBits) {
    LineSettings s;
    s.BaudRate = baud;
    s.Parity = quint8(parity);
    s.fParity = fParity;
    s.ByteSize = quint8(byteSize);
    s.StopBits = quint8(stopBits);
    return s;
}

ConfigMap::Selection selection(int baud, int parity, int dataBits, int stopBits) {
    ConfigMap::Selection sel;
    sel.baud = baud;
    sel.parity = parity;
    sel.dataBits = dataBits;
    sel.stopBits = stopBits;
    return sel;
}

} // namespace

class TestConfigMap : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lists();
    void preset_data();
    void preset();
    void apply_data();
    void apply();
    void cancelAppliesNothing();
    void parityRoundTrip_data();
    void parityRoundTrip();
    void caption_data();
    void caption();
    void describe();
};

void TestConfigMap::lists() {
    QCOMPARE(ConfigMap::baudEntries().size(), 11);
    QCOMPARE(ConfigMap::baudEntries().at(6), QStringLiteral("9600"));
    QCOMPARE(ConfigMap::baudEntries().last(), QStringLiteral("115200"));
    QCOMPARE(ConfigMap::parityEntries().join(QLatin1Char(',')),
             QStringLiteral("None,Odd,Even,Mark,Space"));
    QCOMPARE(ConfigMap::dataBitsEntries().join(QLatin1Char(',')), QStringLiteral("5,6,7,8"));
    QCOMPARE(ConfigMap::stopBitsEntries().join(QLatin1Char(',')), QStringLiteral("1,1.5,2"));
}

void TestConfigMap::preset_data() {
    QTest::addColumn<LineSettings>("s");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::newRow("9600,N,8,1") << settings(9600, 0, false, 8, 0) << 6 << 0 << 3 << 0;
    QTest::newRow("115200 mark 5 1.5") << settings(115200, 3, true, 5, 1) << 10 << 3 << 0 << 1;
    QTest::newRow("150 even 7 2") << settings(150, 2, true, 7, 2) << 0 << 2 << 2 << 2;
    QTest::newRow("rate not listed shows 9600")
        << settings(14400, 0, false, 8, 0) << 6 << 0 << 3 << 0;
    QTest::newRow("parity code without fParity is none")
        << settings(9600, 2, false, 8, 0) << 6 << 0 << 3 << 0;
    QTest::newRow("out-of-range block falls back")
        << settings(9600, 9, true, 12, 7) << 6 << 0 << 3 << 0;
}

void TestConfigMap::preset() {
    QFETCH(LineSettings, s);
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    const ConfigMap::Selection sel = ConfigMap::presetFrom(s);
    QCOMPARE(sel.baud, baud);
    QCOMPARE(sel.parity, parity);
    QCOMPARE(sel.dataBits, dataBits);
    QCOMPARE(sel.stopBits, stopBits);
}

void TestConfigMap::apply_data() {
    QTest::addColumn<LineSettings>("before");
    QTest::addColumn<ConfigMap::Selection>("sel");
    QTest::addColumn<LineSettings>("after");
    const LineSettings start = settings(9600, 0, false, 8, 0);
    QTest::newRow("115200 mark 5 1.5")
        << start << selection(10, 3, 0, 1) << settings(115200, 3, true, 5, 1);
    QTest::newRow("unchanged OK") << start << selection(6, 0, 3, 0) << start;
    QTest::newRow("back to none clears fParity")
        << settings(19200, 1, true, 7, 2) << selection(7, 0, 3, 0)
        << settings(19200, 0, false, 8, 0);
    QTest::newRow("unlisted rate becomes 9600")
        << settings(14400, 0, false, 8, 0) << ConfigMap::presetFrom(settings(14400, 0, false, 8, 0))
        << start;
}

void TestConfigMap::apply() {
    QFETCH(LineSettings, before);
    QFETCH(ConfigMap::Selection, sel);
    QFETCH(LineSettings, after);
    QCOMPARE(ConfigMap::applyTo(before, sel), after);
}

void TestConfigMap::cancelAppliesNothing() {
    const LineSettings s = settings(57600, 4, true, 6, 2);
    QCOMPARE(ConfigMap::applyTo(s, ConfigMap::Selection{}), s);
    QCOMPARE(ConfigMap::applyTo(s, selection(-1, 0, 3, 0)), s);
}

void TestConfigMap::parityRoundTrip_data() {
    QTest::addColumn<int>("parity");
    for (int p = 0; p < 5; ++p)
        QTest::newRow(qPrintable(ConfigMap::parityEntries().at(p))) << p;
}

// What OK writes is what the next dialog presets.
void TestConfigMap::parityRoundTrip() {
    QFETCH(int, parity);
    const LineSettings written =
        ConfigMap::applyTo(settings(9600, 2, true, 8, 0), selection(6, parity, 3, 0));
    QCOMPARE(ConfigMap::presetFrom(written).parity, parity);
}

void TestConfigMap::caption_data() {
    QTest::addColumn<QString>("old");
    QTest::addColumn<LineSettings>("s");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first time") << QStringLiteral("COM1") << settings(9600, 0, false, 8, 0)
                                << QStringLiteral("COM1   9600, None, 8, 1");
    QTest::newRow("replaces earlier settings")
        << QStringLiteral("COM1   9600, None, 8, 1") << settings(115200, 3, true, 5, 1)
        << QStringLiteral("COM1   115200, Mark, 5, 1.5");
    QTest::newRow("refused combination still shown")
        << QStringLiteral("COM12   9600, None, 8, 1") << settings(9600, 2, true, 5, 2)
        << QStringLiteral("COM12   9600, Even, 5, 2");
    QTest::newRow("space parity") << QStringLiteral("COM3") << settings(300, 4, true, 7, 0)
                                  << QStringLiteral("COM3   300, Space, 7, 1");
}

void TestConfigMap::caption() {
    QFETCH(QString, old);
    QFETCH(LineSettings, s);
    QFETCH(QString, expected);
    QCOMPARE(ConfigMap::caption(old, s), expected);
}

void TestConfigMap::describe() {
    QCOMPARE(ConfigMap::describe(settings(115200, 3, true, 5, 1)),
             QStringLiteral("115200 baud, Mark parity, 5 data bits, 1.5 stop bits"));
    QCOMPARE(ConfigMap::describe(settings(9600, 0, false, 8, 0)),
             QStringLiteral("9600 baud, no parity, 8 data bits, 1 stop bit"));
    QCOMPARE(ConfigMap::describeCombination(settings(9600, 0, false, 5, 2)),
             QStringLiteral("5 data bits with 2 stop bits"));
}

QTEST_APPLESS_MAIN(TestConfigMap)
#include "tst_configmap.moc"
