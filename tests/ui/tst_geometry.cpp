#include "ui/geometry.h"

#include <QTest>

class TestGeometry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twipsPerPixel_data();
    void twipsPerPixel();
    void frameRect_data();
    void frameRect();
    void placeDialog_data();
    void placeDialog();
    void tiling_data();
    void tiling();
};

void TestGeometry::twipsPerPixel_data() {
    QTest::addColumn<double>("dpi");
    QTest::addColumn<double>("twips");
    QTest::newRow("96") << 96.0 << 15.0;
    QTest::newRow("120") << 120.0 << 12.0;
    QTest::newRow("192") << 192.0 << 7.5;
}

void TestGeometry::twipsPerPixel() {
    QFETCH(double, dpi);
    QFETCH(double, twips);
    QCOMPARE(Geometry::twipsPerPixel(dpi), twips);
}

void TestGeometry::frameRect_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<double>("px");
    QTest::addColumn<double>("py");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("800x600 at 96 dpi")
        << QSize(800, 600) << 15.0 << 15.0 << QRect(36, 75, 728, 450);
    QTest::newRow("1920x1080 at 96 dpi")
        << QSize(1920, 1080) << 15.0 << 15.0 << QRect(305, 135, 1311, 810);
    QTest::newRow("1920x1080 at 120 dpi")
        << QSize(1920, 1080) << 12.0 << 12.0 << QRect(305, 135, 1311, 810);
    QTest::newRow("2560x1440 at 192 dpi")
        << QSize(2560, 1440) << 7.5 << 7.5 << QRect(406, 180, 1747, 1080);
    QTest::newRow("640x480 at 120 dpi: width rounds to the nearest twip")
        << QSize(640, 480) << 12.0 << 12.0 << QRect(29, 60, 583, 360);
    QTest::newRow("non-square pixels keep the pixel ratio")
        << QSize(1024, 768) << 15.0 << 12.0 << QRect(46, 96, 932, 576);
}

void TestGeometry::frameRect() {
    QFETCH(QSize, screen);
    QFETCH(double, px);
    QFETCH(double, py);
    QFETCH(QRect, expected);
    QCOMPARE(Geometry::frameRect(screen, px, py), expected);
}

void TestGeometry::placeDialog_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QSize>("dialog");
    QTest::addColumn<double>("twipsPerPx");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("centred, 23 up and 4 left")
        << QRect(36, 75, 728, 450) << QSize(300, 200) << 15.0 << QPoint(246, 177);
    QTest::newRow("same in pixels at 120 dpi")
        << QRect(36, 75, 728, 450) << QSize(300, 200) << 12.0 << QPoint(246, 177);
    QTest::newRow("dialog larger than frame goes off its edge")
        << QRect(0, 0, 300, 200) << QSize(400, 300) << 15.0 << QPoint(-54, -73);
}

void TestGeometry::placeDialog() {
    QFETCH(QRect, frame);
    QFETCH(QSize, dialog);
    QFETCH(double, twipsPerPx);
    QFETCH(QPoint, topLeft);
    const QRect r = Geometry::placeDialog(frame, dialog, twipsPerPx, twipsPerPx);
    QCOMPARE(r.topLeft(), topLeft);
    QCOMPARE(r.size(), dialog);
}

void TestGeometry::tiling_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<int>("count");
    QTest::newRow("none") << QRect(0, 0, 800, 600) << 0;
    QTest::newRow("one fills the area") << QRect(10, 20, 800, 600) << 1;
    QTest::newRow("three even") << QRect(0, 0, 900, 600) << 3;
    QTest::newRow("seven with remainder") << QRect(5, 7, 101, 100) << 7;
}

// Tiles cover the area exactly: no gaps, no overlaps, full width (or height).
void TestGeometry::tiling() {
    QFETCH(QRect, area);
    QFETCH(int, count);
    const QVector<QRect> h = Geometry::tileHorizontal(area, count);
    const QVector<QRect> v = Geometry::tileVertical(area, count);
    QCOMPARE(h.size(), count);
    QCOMPARE(v.size(), count);
    int nextTop = area.top(), nextLeft = area.left();
    for (int i = 0; i < count; ++i) {
        QCOMPARE(h[i].left(), area.left());
        QCOMPARE(h[i].width(), area.width());
        QCOMPARE(h[i].top(), nextTop);
        QVERIFY(qAbs(h[i].height() - area.height() / count) <= 1);
        nextTop = h[i].top() + h[i].height();
        QCOMPARE(v[i].top(), area.top());
        QCOMPARE(v[i].height(), area.height());
        QCOMPARE(v[i].left(), nextLeft);
        QVERIFY(qAbs(v[i].width() - area.width() / count) <= 1);
        nextLeft = v[i].left() + v[i].width();
    }
    if (count > 0) {
        QCOMPARE(nextTop, area.top() + area.height());
        QCOMPARE(nextLeft, area.left() + area.width());
    }
}

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
