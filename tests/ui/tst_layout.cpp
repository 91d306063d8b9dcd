#include "ui/layout.h"

#include <QTest>

namespace {

// The worked example: 15 twips per pixel, "W" 8 x 16 pixels.
LayoutInput input(double wPx, double hPx, double twipsPerPx = 15, double TW = 120,
                  double TH = 240) {
    LayoutInput in;
    in.px = in.py = twipsPerPx;
    in.W = wPx * twipsPerPx;
    in.H = hPx * twipsPerPx;
    in.TW = TW;
    in.TH = TH;
    return in;
}

double pxOf(double twips) {
    return twips / 15;
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void minimumSize_data();
    void minimumSize();
    void arrangementFollowsClientHeight_data();
    void arrangementFollowsClientHeight();
    void largeFontClampsAtZero();
    void capacity_data();
    void capacity();
};

void TestLayout::workedExample() {
    const PortWindowLayout l = computePortWindowLayout(input(432, 327));
    QVERIFY(!l.widthClamped && !l.heightClamped);

    for (const QRectF &box : {l.Transmit, l.Receive}) {
        QCOMPARE(box.left(), 0.0);
        QCOMPARE(pxOf(box.width()), 424.0);
        QCOMPARE(pxOf(box.height()), 102.0);
    }
    QCOMPARE(pxOf(l.Transmit.top()), 24.0);
    QCOMPARE(pxOf(l.Receive.top()), 158.0);

    QCOMPARE(pxOf(l.TransmitLabel.top()), 8.0);
    QCOMPARE(pxOf(l.ReceivedLabel.top()), 142.0);
    QCOMPARE(l.TransmitLabel.left(), 0.0);
    QCOMPARE(l.ReceivedLabel.left(), 0.0);
    QCOMPARE(l.TransmitLabel.size(), QSizeF(2295, 255));
    QCOMPARE(l.ReceivedLabel.size(), QSizeF(1935, 255));
    for (int k = 0; k < 8; ++k) {
        QCOMPARE(pxOf(l.TX[k].top()), 8.0);
        QCOMPARE(pxOf(l.RX[k].top()), 142.0);
        QCOMPARE(l.TX[k].left(), 2880.0 + 120 * k);
        QCOMPARE(l.RX[k].left(), 2880.0 + 120 * k);
        QCOMPARE(l.RX[k].size(), QSizeF(135, 255));
    }

    const QRectF labels[] = {l.cDTR, l.cRTS, l.DSR, l.CTS, l.CD};
    const QRectF indicators[] = {l.DTRIndicator, l.RTSIndicator, l.DSRIndicator, l.CTSIndicator,
                                 l.DCDIndicator};
    const double lefts[] = {500, 1250, 3345, 4095, 4845};
    const double labelWidths[] = {495, 495, 495, 495, 375};
    const double indicatorWidths[] = {345, 350, 345, 345, 345};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(pxOf(labels[i].top()), 276.0);
        QCOMPARE(pxOf(indicators[i].top()), 267.0);
        QCOMPARE(indicators[i].bottom(), labels[i].top()); // sits on its label
        QCOMPARE(labels[i].left(), lefts[i]);
        QCOMPARE(indicators[i].left(), lefts[i]);
        QCOMPARE(labels[i].size(), QSizeF(labelWidths[i], 255));
        QCOMPARE(indicators[i].size(), QSizeF(indicatorWidths[i], 135));
    }
    QCOMPARE(l.DivideLine, QLineF(2845, 267 * 15, 2845, 292 * 15));

    QCOMPARE(l.nRxVisible, qint16(312));
    QCOMPARE(l.nTxVisible, qint16(312));
}

void TestLayout::minimumSize_data() {
    QTest::addColumn<double>("wPx");
    QTest::addColumn<double>("hPx");
    QTest::addColumn<double>("expectWPx");
    QTest::addColumn<double>("expectHPx");
    QTest::addColumn<bool>("wClamped");
    QTest::addColumn<bool>("hClamped");
    QTest::newRow("both too small") << 120.0 << 40.0 << 400.0 << 165.0 << true << true;
    QTest::newRow("too narrow") << 399.0 << 300.0 << 400.0 << 300.0 << true << false;
    QTest::newRow("too low") << 500.0 << 164.0 << 500.0 << 165.0 << false << true;
    QTest::newRow("exactly the minimum") << 400.0 << 165.0 << 400.0 << 165.0 << false << false;
    QTest::newRow("zero size") << 0.0 << 0.0 << 400.0 << 165.0 << true << true;
}

void TestLayout::minimumSize() {
    QFETCH(double, wPx);
    QFETCH(double, hPx);
    QFETCH(double, expectWPx);
    QFETCH(double, expectHPx);
    QFETCH(bool, wClamped);
    QFETCH(bool, hClamped);
    const PortWindowLayout l = computePortWindowLayout(input(wPx, hPx));
    QCOMPARE(l.W, expectWPx * 15);
    QCOMPARE(l.H, expectHPx * 15);
    QCOMPARE(l.widthClamped, wClamped);
    QCOMPARE(l.heightClamped, hClamped);
    // The rest is laid out for the clamped size.
    QCOMPARE(l.Receive.width(), l.W - 120);
    QCOMPARE(l.Receive.bottom(), (l.H - 405) - 2.5 * 240);
}

// With C = H - a, the boxes are C/2 - 3TH high, the receive heading stands at
// C/2 - TH/2 and the indicators end at C - 1.5TH, also at other DPIs.
void TestLayout::arrangementFollowsClientHeight_data() {
    QTest::addColumn<double>("twipsPerPx");
    QTest::addColumn<double>("hPx");
    QTest::addColumn<double>("TH");
    QTest::addColumn<double>("a");
    QTest::newRow("96 dpi") << 15.0 << 600.0 << 240.0 << 405.0;
    QTest::newRow("120 dpi") << 12.0 << 700.0 << 230.0 << 324.0;
    QTest::newRow("192 dpi, a rounds half to even") << 7.5 << 900.0 << 250.0 << 202.0;
}

void TestLayout::arrangementFollowsClientHeight() {
    QFETCH(double, twipsPerPx);
    QFETCH(double, hPx);
    QFETCH(double, TH);
    QFETCH(double, a);
    const PortWindowLayout l = computePortWindowLayout(input(800, hPx, twipsPerPx, 110, TH));
    const double C = l.H - a;
    QCOMPARE(l.Transmit.height(), C / 2 - 3 * TH);
    QCOMPARE(l.Transmit.bottom(), C / 2 - 1.5 * TH);
    QCOMPARE(l.ReceivedLabel.top(), C / 2 - 0.5 * TH);
    QCOMPARE(l.Receive.top(), C / 2 + 0.5 * TH);
    QCOMPARE(l.DTRIndicator.bottom(), C - 1.5 * TH);
    QCOMPARE(l.Transmit.width(), l.W - std::nearbyint(8 * twipsPerPx));
}

void TestLayout::largeFontClampsAtZero() {
    // At the minimum height a 40-pixel line leaves no room for the boxes.
    const PortWindowLayout l = computePortWindowLayout(input(400, 165, 15, 300, 600));
    QCOMPARE(l.Transmit.height(), 0.0);
    QCOMPARE(l.Receive.height(), 0.0);
    QCOMPARE(l.nRxVisible, qint16(0));
    QCOMPARE(l.nTxVisible, qint16(0));
    QCOMPARE(l.cDTR.top(), l.Receive.top() + 600);
}

void TestLayout::capacity_data() {
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("expected");
    // TW 120, TH 240 throughout.
    QTest::newRow("worked example box") << 6360.0 << 1530.0 << 312;
    QTest::newRow("under 1.33 lines high") << 6360.0 << 1.32 * 240 << 0;
    QTest::newRow("just over 1.33 lines") << 6360.0 << 1.34 * 240 << 52;
    QTest::newRow("under 1.7 chars wide") << 1.69 * 120 << 1530.0 << 0;
    QTest::newRow("just over 1.7 chars") << 1.71 * 120 << 1530.0 << 6;
    QTest::newRow("negative height") << 6360.0 << -500.0 << 0;
    QTest::newRow("zero width") << 0.0 << 1530.0 << 0;
    QTest::newRow("beyond 32767 clamps") << 120.0 * 1000 << 240.0 * 1000 << 32767;
}

void TestLayout::capacity() {
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(int, expected);
    QCOMPARE(boxCapacity(width, height, 120, 240), qint16(expected));
}

QTEST_APPLESS_MAIN(TestLayout)
#include "tst_layout.moc"
