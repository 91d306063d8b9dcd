#include "line/modemlines.h"

#include <QTest>

namespace {

ModemState state(bool dcd, bool cts, bool dsr, bool rts, bool dtr) {
    ModemState s;
    s[ModemLine::DCD] = dcd;
    s[ModemLine::CTS] = cts;
    s[ModemLine::DSR] = dsr;
    s[ModemLine::RTS] = rts;
    s[ModemLine::DTR] = dtr;
    return s;
}

unsigned bit(ModemLine l) {
    return 1u << static_cast<int>(l);
}

} // namespace

class TestModemLines : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstTick_data();
    void firstTick();
    void onlyChangesSinceLastTickCount();
    void flipAndBackBetweenTicksIsNoChange();
    void closedPortShowsAllInactive();
    void eventCodes_data();
    void eventCodes();
};

void TestModemLines::firstTick_data() {
    QTest::addColumn<ModemState>("now");
    QTest::addColumn<unsigned>("changed");
    QTest::newRow("all asserted: nothing to paint") << state(true, true, true, true, true) << 0u;
    QTest::newRow("no carrier") << state(false, true, true, true, true) << bit(ModemLine::DCD);
    QTest::newRow("inputs down, outputs up")
        << state(false, false, false, true, true)
        << (bit(ModemLine::DCD) | bit(ModemLine::CTS) | bit(ModemLine::DSR));
    QTest::newRow("all down") << state(false, false, false, false, false) << 0x1Fu;
}

void TestModemLines::firstTick() {
    QFETCH(ModemState, now);
    QFETCH(unsigned, changed);
    LineIndicators ind;
    QCOMPARE(ind.tick(now), changed);
    QCOMPARE(ind.last.on, now.on); // every line now shows its present state
}

void TestModemLines::onlyChangesSinceLastTickCount() {
    LineIndicators ind;
    ModemState s = state(true, true, true, true, true);
    QCOMPARE(ind.tick(s), 0u);
    s[ModemLine::DTR] = false;
    QCOMPARE(ind.tick(s), bit(ModemLine::DTR));
    QCOMPARE(ind.tick(s), 0u);
    s[ModemLine::DTR] = true;
    s[ModemLine::CTS] = false;
    QCOMPARE(ind.tick(s), bit(ModemLine::DTR) | bit(ModemLine::CTS));
}

void TestModemLines::flipAndBackBetweenTicksIsNoChange() {
    LineIndicators ind;
    ModemState s = state(true, true, true, true, true);
    ind.tick(s);
    // CTS dropped and came back between two ticks: the poll never sees it.
    QCOMPARE(ind.tick(s), 0u);
    QVERIFY(ind.last[ModemLine::CTS]);
}

void TestModemLines::closedPortShowsAllInactive() {
    LineIndicators ind;
    QCOMPARE(ind.showClosed(), 0x1Fu);
    for (bool on : ind.last.on)
        QVERIFY(!on);
    QCOMPARE(ind.showClosed(), 0u);
}

void TestModemLines::eventCodes_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("isLine");
    QTest::addColumn<int>("line");
    QTest::newRow("3 CTS") << 3 << true << int(ModemLine::CTS);
    QTest::newRow("4 DSR") << 4 << true << int(ModemLine::DSR);
    QTest::newRow("5 CD") << 5 << true << int(ModemLine::DCD);
    QTest::newRow("2 receive") << 2 << false << -1;
    QTest::newRow("6 ring") << 6 << false << -1;
    QTest::newRow("1 send") << 1 << false << -1;
    QTest::newRow("error code") << 1004 << false << -1;
}

void TestModemLines::eventCodes() {
    QFETCH(int, code);
    QFETCH(bool, isLine);
    QFETCH(int, line);
    ModemLine l = ModemLine::DTR;
    QCOMPARE(lineForEvent(code, &l), isLine);
    if (isLine)
        QCOMPARE(int(l), line);
    else
        QCOMPARE(l, ModemLine::DTR); // untouched
    QCOMPARE(lineForEvent(code, nullptr), isLine);
}

QTEST_APPLESS_MAIN(TestModemLines)
#include "tst_modemlines.moc"
