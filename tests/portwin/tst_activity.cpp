#include "portwin/activity.h"

#include <QTest>

namespace {

// The light rule one character at a time.
qint16 naiveSteps(qint16 n, qint64 k) {
    for (qint64 i = 0; i < k; ++i) {
        n = qint16(n + 1);
        if (n == 9)
            n = 1;
    }
    return n;
}

int litCells(const ActivityRow &row) {
    int lit = 0;
    for (int cell = 1; cell <= 8; ++cell)
        lit += row.isLit(cell) ? 1 : 0;
    return lit;
}

} // namespace

class TestActivity : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sequences_data();
    void sequences();
    void positionAfterKCharacters();
    void bulkStepEqualsSingleSteps();
};

// Each row: a start position, then the chunk sizes stepped one after another.
void TestActivity::sequences_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("restartFirst");
    QTest::addColumn<QList<qint64>>("chunks");
    QTest::addColumn<int>("lit");
    QTest::newRow("fresh row, nothing lit") << 0 << false << QList<qint64>{} << 0;
    QTest::newRow("fresh, one char lights 1") << 0 << false << QList<qint64>{1} << 1;
    QTest::newRow("then ten chars leave 3") << 0 << false << QList<qint64>{1, 10} << 3;
    QTest::newRow("restart then step lights 2") << 6 << true << QList<qint64>{1} << 2;
    QTest::newRow("restart alone lights 1") << 0 << true << QList<qint64>{} << 1;
    QTest::newRow("eight chars in fresh row leave 8") << 0 << false << QList<qint64>{8} << 8;
    QTest::newRow("eight chars come back to the same cell") << 5 << false << QList<qint64>{8} << 5;
    QTest::newRow("wrap from 8") << 8 << false << QList<qint64>{1} << 1;
    QTest::newRow("zero steps change nothing") << 4 << false << QList<qint64>{0, -3} << 4;
}

void TestActivity::sequences() {
    QFETCH(int, start);
    QFETCH(bool, restartFirst);
    QFETCH(QList<qint64>, chunks);
    QFETCH(int, lit);
    ActivityRow row;
    row.n = qint16(start);
    if (restartFirst)
        row.restart();
    for (qint64 k : chunks)
        row.step(k);
    QCOMPARE(row.n, qint16(lit));
    QCOMPARE(litCells(row), lit == 0 ? 0 : 1);
}

void TestActivity::positionAfterKCharacters() {
    for (qint64 k : {1LL, 2LL, 7LL, 8LL, 9LL, 16LL, 17LL, 1000003LL, 4000000000LL}) {
        ActivityRow row;
        row.step(k);
        QCOMPARE(row.n, qint16(((k - 1) % 8) + 1));
    }
}

void TestActivity::bulkStepEqualsSingleSteps() {
    for (int start = 0; start <= 8; ++start) {
        for (qint64 k = 0; k <= 40; ++k) {
            ActivityRow row;
            row.n = qint16(start);
            row.step(k);
            QCOMPARE(row.n, naiveSteps(qint16(start), k));
        }
    }
}

QTEST_APPLESS_MAIN(TestActivity)
#include "tst_activity.moc"
