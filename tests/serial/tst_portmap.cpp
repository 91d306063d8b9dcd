#include "serial/portmap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using PortMapT = QMap<int, QString>;

class TestPortMap : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void detect();
    void detectEmptyTree();
    void setCurrentReplaces();
};

void TestPortMap::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<PortMapT>("expected");
    QTest::addColumn<int>("errors");

    QTest::newRow("three entries")
        << u"COM1=/dev/pts/7,COM2=loopback,COM5=/dev/ttyUSB0"_s
        << PortMapT{{1, u"/dev/pts/7"_s}, {2, u"loopback"_s}, {5, u"/dev/ttyUSB0"_s}} << 0;
    QTest::newRow("blanks and case") << u"  com3 = /dev/pts/1 , Com32=LOOPBACK "_s
                                     << PortMapT{{3, u"/dev/pts/1"_s}, {32, u"loopback"_s}} << 0;
    QTest::newRow("empty text") << u""_s << PortMapT{} << 0;
    QTest::newRow("trailing comma") << u"COM1=/dev/pts/1,"_s << PortMapT{{1, u"/dev/pts/1"_s}} << 0;
    QTest::newRow("missing equals skipped, rest used")
        << u"COM1/dev/pts/1,COM2=/dev/pts/2"_s << PortMapT{{2, u"/dev/pts/2"_s}} << 1;
    QTest::newRow("not COMn") << u"LPT1=/dev/lp0,TTY=/dev/x,COM=/dev/y"_s << PortMapT{} << 3;
    QTest::newRow("number out of range")
        << u"COM0=/dev/a,COM33=/dev/b,COM100=/dev/c"_s << PortMapT{} << 3;
    QTest::newRow("negative number") << u"COM-1=/dev/a"_s << PortMapT{} << 1;
    QTest::newRow("duplicate keeps first")
        << u"COM1=/dev/a,com1=/dev/b"_s << PortMapT{{1, u"/dev/a"_s}} << 1;
    QTest::newRow("empty device") << u"COM1=,COM2= "_s << PortMapT{} << 2;
    QTest::newRow("relative path") << u"COM1=ttyS0,COM2=dev/ttyS1"_s << PortMapT{} << 2;
}

void TestPortMap::parse() {
    QFETCH(QString, text);
    QFETCH(PortMapT, expected);
    QFETCH(int, errors);
    QStringList errs;
    QCOMPARE(PortMap::parse(text, &errs), expected);
    QCOMPARE(errs.size(), errors);
    for (const QString &e : errs)
        QVERIFY2(e.contains(QLatin1String("QARVELO_PORTS")), qPrintable(e));
}

namespace {

// A fake /sys/class/tty entry: a device link when real hardware, an optional type.
void addTty(const QString &root, const QString &name, bool hardware, const char *type = nullptr) {
    const QString dir = root + QStringLiteral("/class/tty/") + name;
    QVERIFY(QDir().mkpath(dir));
    if (hardware) {
        const QString target = root + QStringLiteral("/devices/") + name;
        QVERIFY(QDir().mkpath(target));
        QVERIFY(QFile::link(target, dir + QStringLiteral("/device")));
    }
    if (type) {
        QFile f(dir + QStringLiteral("/type"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(type);
        f.write("\n");
    }
}

} // namespace

void TestPortMap::detect() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString r = root.path();
    addTty(r, QStringLiteral("console"), false);
    addTty(r, QStringLiteral("tty0"), false);
    addTty(r, QStringLiteral("tty5"), false);
    addTty(r, QStringLiteral("ptmx"), false);
    addTty(r, QStringLiteral("ttyS0"), true, "4"); // the console
    addTty(r, QStringLiteral("ttyS1"), true, "0"); // no UART behind it
    addTty(r, QStringLiteral("ttyS2"), true, "4");
    addTty(r, QStringLiteral("ttyS10"), true, "4");
    addTty(r, QStringLiteral("ttyACM0"), true);
    addTty(r, QStringLiteral("ttyUSB1"), true);
    addTty(r, QStringLiteral("ttyUSB0"), true);
    addTty(r, QStringLiteral("ttyAMA0"), true);
    addTty(r, QStringLiteral("rfcomm0"), true);
    addTty(r, QStringLiteral("ttyV0"), false); // virtual, no device link
    QFile active(r + QStringLiteral("/class/tty/console/active"));
    QVERIFY(active.open(QIODevice::WriteOnly));
    active.write("tty0 ttyS0\n");
    active.close();

    const QStringList expected = {QStringLiteral("/dev/ttyS2"),   QStringLiteral("/dev/ttyS10"),
                                  QStringLiteral("/dev/ttyAMA0"), QStringLiteral("/dev/ttyUSB0"),
                                  QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyACM0"),
                                  QStringLiteral("/dev/rfcomm0")};
    QCOMPARE(PortMap::detectDevices(r), expected);
}

void TestPortMap::detectEmptyTree() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(PortMap::detectDevices(root.path()).isEmpty());
}

void TestPortMap::setCurrentReplaces() {
    PortMap::setCurrent({{4, QStringLiteral("loopback")}});
    QCOMPARE(PortMap::deviceFor(4), QStringLiteral("loopback"));
    QVERIFY(PortMap::deviceFor(1).isEmpty());
    PortMap::setCurrent({});
    QVERIFY(PortMap::deviceFor(4).isEmpty());
}

QTEST_APPLESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
