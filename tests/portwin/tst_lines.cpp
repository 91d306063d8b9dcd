#include "tests/portwin/portwindowfixture.h"

#include <QTest>

using namespace fixture;

namespace {

const char *labelName(ModemLine l) {
    switch (l) {
    case ModemLine::DCD:
        return "CD";
    case ModemLine::CTS:
        return "CTS";
    case ModemLine::DSR:
        return "DSR";
    case ModemLine::RTS:
        return "cRTS";
    case ModemLine::DTR:
        return "cDTR";
    }
    return "";
}

// Each line's look as a string of five letters in tick order: A active, I
// inactive, ? label and indicator disagree.
QString looks(MDIChild1 *w) {
    QString out;
    for (ModemLine l : kTickOrder) {
        const QColor fill = w->indicator(l)->fill();
        const QColor text = textColor(w->label(labelName(l)));
        if (fill == kActiveFill && text == kBlack)
            out += QLatin1Char('A');
        else if (fill == kGrey && text == kGrey)
            out += QLatin1Char('I');
        else
            out += QLatin1Char('?');
    }
    return out;
}

} // namespace

class tst_Lines : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void firstTick_data();
    void firstTick();
    void toggleShowsAtNextTick_data();
    void toggleShowsAtNextTick();
    void changeEventRecoloursLabelFirst();
    void togglesComeBack_data();
    void togglesComeBack();
    void windowWithoutPort();

private:
    std::unique_ptr<Pty> pty;
};

void tst_Lines::init() {
    pty = std::make_unique<Pty>();
    QVERIFY(pty->ok());
    PortMap::setCurrent({{1, pty->slave}, {2, QStringLiteral("loopback")}});
}

void tst_Lines::firstTick_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("afterFirstTick"); // DCD CTS DSR RTS DTR

    QTest::newRow("loopback plug: all asserted") << 2 << QStringLiteral("AAAAA");
    QTest::newRow("pty: inputs read False") << 1 << QStringLiteral("IIIAA");
}

void tst_Lines::firstTick() {
    QFETCH(int, port);
    QFETCH(QString, afterFirstTick);
    Frame f;
    MDIChild1 *w = f.open(qint16(port));
    QVERIFY(w->comm()->PortOpen());
    QCOMPARE(looks(w), QStringLiteral("AAAAA")); // a new window, before any tick
    w->Timer1_Timer();
    QCOMPARE(looks(w), afterFirstTick);
    QCOMPARE(w->state().bLastCD, afterFirstTick[0] == QLatin1Char('A'));
    QCOMPARE(w->state().bLastDSR, afterFirstTick[2] == QLatin1Char('A'));
    QTRY_VERIFY(!w->timerRunning());
    QCOMPARE(looks(w), afterFirstTick);
}

void tst_Lines::toggleShowsAtNextTick_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("after"); // DCD CTS DSR RTS DTR

    // On the plug DTR drives DSR and DCD, RTS drives CTS.
    QTest::newRow("DTR menu item") << QStringLiteral("DTR") << QStringLiteral("IAIAI");
    QTest::newRow("RTS menu item") << QStringLiteral("RTS") << QStringLiteral("AIAIA");
    QTest::newRow("cDTR label click") << QStringLiteral("cDTR") << QStringLiteral("IAIAI");
    QTest::newRow("cRTS label click") << QStringLiteral("cRTS") << QStringLiteral("AIAIA");
}

void tst_Lines::toggleShowsAtNextTick() {
    QFETCH(QString, how);
    QFETCH(QString, after);
    Frame f;
    MDIChild1 *w = f.open(2, QStringLiteral("COM2"));
    w->Timer1_Timer();
    QCOMPARE(looks(w), QStringLiteral("AAAAA"));
    const bool dtr = how.endsWith(QStringLiteral("DTR"));
    QAction *item = w->action(dtr ? "DTR" : "RTS");
    QVERIFY(item->isChecked());

    if (how.startsWith(QLatin1Char('c')))
        QTest::mouseClick(w->label(how.toLatin1().constData()), Qt::LeftButton);
    else
        item->trigger();
    QCOMPARE(dtr ? w->comm()->DTREnable() : w->comm()->RTSEnable(), false);
    QVERIFY(!item->isChecked());
    QCOMPARE(looks(w), QStringLiteral("AAAAA")); // the toggle paints nothing
    QVERIFY(w->timerRunning());
    w->Timer1_Timer();
    QCOMPARE(looks(w), after);

    // And back, through the event loop's own ticks this time.
    item->trigger();
    QVERIFY(item->isChecked());
    QTRY_COMPARE(looks(w), QStringLiteral("AAAAA"));
}

void tst_Lines::changeEventRecoloursLabelFirst() {
    Frame f;
    MDIChild1 *w = f.open(2, QStringLiteral("COM2"));
    QTRY_VERIFY(!w->timerRunning()); // idle: no tick until something changes
    QCOMPARE(looks(w), QStringLiteral("AAAAA"));

    // Seen right after the window handled the CTS event (connected after it).
    QColor labelAtEvent, indicatorAtEvent;
    QObject::connect(w->comm(), &SerialComm::OnComm, w, [&] {
        if (w->comm()->CommEvent() == SerialComm::comEvCTS) {
            labelAtEvent = textColor(w->label("CTS"));
            indicatorAtEvent = w->indicator(ModemLine::CTS)->fill();
        }
    });
    w->comm()->setRTSEnable(false); // the line changes under the window
    QTRY_VERIFY(labelAtEvent.isValid());
    QCOMPARE(labelAtEvent, kGrey);
    QCOMPARE(indicatorAtEvent, kActiveFill);
    QTRY_COMPARE(w->indicator(ModemLine::CTS)->fill(), kGrey); // the next tick
    QTRY_COMPARE(looks(w), QStringLiteral("AIAIA"));
    QTRY_VERIFY(!w->timerRunning());
}

void tst_Lines::togglesComeBack_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("line");

    QTest::newRow("two clicks on cDTR")
        << QStringList{QStringLiteral("cDTR"), QStringLiteral("cDTR")} << QStringLiteral("DTR");
    QTest::newRow("cRTS click then RTS item")
        << QStringList{QStringLiteral("cRTS"), QStringLiteral("RTS")} << QStringLiteral("RTS");
    QTest::newRow("DTR item then cDTR click")
        << QStringList{QStringLiteral("DTR"), QStringLiteral("cDTR")} << QStringLiteral("DTR");
    QTest::newRow("RTS item twice")
        << QStringList{QStringLiteral("RTS"), QStringLiteral("RTS")} << QStringLiteral("RTS");
}

void tst_Lines::togglesComeBack() {
    QFETCH(QStringList, steps);
    QFETCH(QString, line);
    for (int port : {1, 2}) {
        Frame f;
        MDIChild1 *w = f.open(qint16(port));
        auto state = [&] {
            return line == QStringLiteral("DTR") ? w->comm()->DTREnable() : w->comm()->RTSEnable();
        };
        QAction *item = w->action(line.toLatin1().constData());
        const bool before = state();
        QCOMPARE(item->isChecked(), before);
        for (const QString &step : steps) {
            if (step.startsWith(QLatin1Char('c')))
                QTest::mouseClick(w->label(step.toLatin1().constData()), Qt::LeftButton);
            else
                w->action(step.toLatin1().constData())->trigger();
        }
        QCOMPARE(state(), before);
        QCOMPARE(item->isChecked(), before);
        w->Timer1_Timer();
        QCOMPARE(looks(w).right(2), QStringLiteral("AA"));
    }
}

void tst_Lines::windowWithoutPort() {
    Frame f;
    bool opened = true;
    MDIChild1 *w = f.open(9, QStringLiteral("COM9"), &opened); // COM9 is not mapped
    QVERIFY(!opened);
    QVERIFY(!w->comm()->PortOpen());
    QVERIFY(w->openError());
    w->Timer1_Timer();
    QCOMPARE(looks(w), QStringLiteral("IIIII"));
    QTRY_VERIFY(!w->timerRunning());

    const bool dtrMark = w->action("DTR")->isChecked();
    const bool rtsMark = w->action("RTS")->isChecked();
    w->action("DTR")->trigger();
    QTest::mouseClick(w->label("cRTS"), Qt::LeftButton);
    w->action("Repeat")->trigger();
    QCOMPARE(w->action("DTR")->isChecked(), dtrMark);
    QCOMPARE(w->action("RTS")->isChecked(), rtsMark);
    w->Timer1_Timer();
    QCOMPARE(looks(w), QStringLiteral("IIIII"));
    // A send still echoes; nothing fails, and Repeat has no port to keep a timer for.
    QTest::keyClicks(w, QStringLiteral("q"));
    QCOMPARE(w->state().sTxHistory, QStringLiteral("q"));
    QTRY_VERIFY(!w->timerRunning());
}

QTEST_MAIN(tst_Lines)
#include "tst_lines.moc"
