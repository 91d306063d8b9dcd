#include "tests/portwin/portwindowfixture.h"

#include "app/appstate.h"
#include "app/mdiform.h"
#include "app/selectport.h"
#include "config/configuredialog.h"
#include "ui/layout.h"
#include "ui/twips.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>

using namespace fixture;

namespace {

// A key as the X11 platform delivers it: key code, text and modifiers.
void press(QWidget *w, Qt::Key key, const QString &text,
           Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::sendKeyEvent(QTest::Click, w, key, text, mods);
}

} // namespace

class tst_PortWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { Modal::runner() = nullptr; }

    void receiveAndTransmitThroughPty();
    void keysSendTheirCharacter_data();
    void keysSendTheirCharacter();
    void longStringIsSentWhole();
    void clearKeepsLightsLastSentAndRepeat();
    void twoWindowsKeepTheirOwnState();
    void cellClicks_data();
    void cellClicks();
    void functionKeys_data();
    void functionKeys();
    void timerRunsOnlyWhileSomethingCanChange();
    void repeatSendsLastTextEveryTick();
    void closingARepeatingWindowStopsIt();
    void repeatWaitsForRoomOnSlowLine();
    void layoutAtDesignSize();
    void tooSmallWindowIsClamped();
    void vanishedPort();
    void menuItemsReachTheFrame_data();
    void menuItemsReachTheFrame();
    void boxesNeverTakeTheFocus();
    void historyCollectsBeforeFirstLayout();
    void shortcutsThroughTheFrame();

private:
    std::unique_ptr<Pty> pty;
};

void tst_PortWindow::init() {
    pty = std::make_unique<Pty>();
    QVERIFY(pty->ok());
    PortMap::setCurrent({{1, pty->slave}, {2, QStringLiteral("loopback")}});
}

void tst_PortWindow::receiveAndTransmitThroughPty() {
    Frame f;
    MDIChild1 *w = f.open(1);
    QVERIFY(w->comm()->PortOpen());

    QVERIFY(pty->write(QByteArray::fromHex("41420D0A00FF")));
    QTRY_COMPARE(w->receiveBox()->text(), QStringLiteral("AB<0D><0A><00><FF>"));
    QCOMPARE(w->state().sRxHistory, QStringLiteral("AB<0D><0A><00><FF>"));
    QCOMPARE(litCells(w, false), QList<int>{6});
    QCOMPARE(litCells(w, true), QList<int>{});

    QTest::keyClicks(w, QStringLiteral("Hello"));
    press(w, Qt::Key_Return, QStringLiteral("\r"));
    QTRY_COMPARE(pty->read(), QByteArray::fromHex("48656C6C6F0D"));
    QCOMPARE(w->transmitBox()->text(), QStringLiteral("Hello<0D>"));
    QCOMPARE(w->state().sLastSent, QByteArray("\r"));
    QCOMPARE(litCells(w, true), QList<int>{6});
}

void tst_PortWindow::keysSendTheirCharacter_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mods");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("echo");

    QTest::newRow("letter a") << int(Qt::Key_A) << QStringLiteral("a") << 0 << QByteArray("a")
                              << QStringLiteral("a");
    QTest::newRow("space") << int(Qt::Key_Space) << QStringLiteral(" ") << 0 << QByteArray(" ")
                           << QStringLiteral("<20>");
    QTest::newRow("Ctrl+E is no shortcut: sends 5")
        << int(Qt::Key_E) << QStringLiteral("\x05") << int(Qt::ControlModifier)
        << QByteArray("\x05") << QStringLiteral("<05>");
    QTest::newRow("Ctrl+E without platform text")
        << int(Qt::Key_E) << QString() << int(Qt::ControlModifier) << QByteArray("\x05")
        << QStringLiteral("<05>");
    QTest::newRow("Tab is a character") << int(Qt::Key_Tab) << QStringLiteral("\t") << 0
                                        << QByteArray("\t") << QStringLiteral("<09>");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << QStringLiteral("\x1b") << 0
                            << QByteArray("\x1b") << QStringLiteral("<1B>");
    QTest::newRow("Latin-1 e acute") << int(Qt::Key_Eacute) << QStringLiteral("\u00e9") << 0
                                     << QByteArray("\xe9") << QStringLiteral("<E9>");
    QTest::newRow("euro sign has no byte: not sent")
        << int(Qt::Key_unknown) << QStringLiteral("\u20ac") << 0 << QByteArray() << QString();
    QTest::newRow("shift alone sends nothing")
        << int(Qt::Key_Shift) << QString() << int(Qt::ShiftModifier) << QByteArray() << QString();
}

void tst_PortWindow::keysSendTheirCharacter() {
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, mods);
    QFETCH(QByteArray, sent);
    QFETCH(QString, echo);
    Frame f;
    MDIChild1 *w = f.open(1);

    press(w, Qt::Key(key), text, Qt::KeyboardModifiers(mods));
    QCOMPARE(w->state().sTxHistory, echo);
    QCOMPARE(w->state().sLastSent, sent.isEmpty() ? QByteArray("U") : sent);
    // A marker after the key shows that exactly `sent` went out before it.
    press(w, Qt::Key_NumberSign, QStringLiteral("#"));
    QTRY_COMPARE(pty->read(), sent + '#');
}

void tst_PortWindow::longStringIsSentWhole() {
    Frame f;
    MDIChild1 *w = f.open(1);
    QByteArray big(3000, Qt::Uninitialized);
    for (int i = 0; i < big.size(); ++i)
        big[i] = char('a' + i % 26);
    f.host.keys(5) = QString::fromLatin1(big);

    QTest::keyClick(w, Qt::Key_F5);
    QTRY_COMPARE(pty->read().size(), big.size());
    QCOMPARE(pty->read(), big);
    QCOMPARE(w->state().sTxHistory, QString::fromLatin1(big.right(2048)));
    QCOMPARE(w->state().sLastSent, big);
}

void tst_PortWindow::clearKeepsLightsLastSentAndRepeat() {
    Frame f;
    MDIChild1 *w = f.open(1);
    QVERIFY(pty->write("xyz"));
    QTRY_COMPARE(w->state().sRxHistory, QStringLiteral("xyz"));
    QTest::keyClicks(w, QStringLiteral("ab"));
    w->action("Repeat")->trigger();

    w->action("mnuWindowClear")->trigger();
    QCOMPARE(w->receiveBox()->text(), QString());
    QCOMPARE(w->transmitBox()->text(), QString());
    QCOMPARE(w->state().sRxHistory, QString());
    QCOMPARE(w->state().sTxHistory, QString());
    QCOMPARE(litCells(w, false), QList<int>{3});
    QCOMPARE(litCells(w, true), QList<int>{2});
    QCOMPARE(w->state().sLastSent, QByteArray("b"));
    QVERIFY(w->state().bRepeat);
    QVERIFY(w->action("Repeat")->isChecked());
    // Repeat goes on with the same text, the light goes on from where it stood.
    QTRY_VERIFY(w->state().sTxHistory.startsWith(QStringLiteral("bb")));
    QVERIFY(!w->state().sTxHistory.contains(QLatin1Char('a')));
}

void tst_PortWindow::twoWindowsKeepTheirOwnState() {
    Pty second;
    QVERIFY(second.ok());
    PortMap::setCurrent({{1, pty->slave}, {3, second.slave}});
    Frame f;
    MDIChild1 *a = f.open(1, QStringLiteral("COM1"));
    MDIChild1 *b = f.open(3, QStringLiteral("COM3"));
    QVERIFY(a->comm()->PortOpen());
    QVERIFY(b->comm()->PortOpen());

    QVERIFY(pty->write("12"));
    QVERIFY(second.write("abcde"));
    QTest::keyClicks(a, QStringLiteral("xyz"));
    b->action("Repeat")->trigger();
    QTRY_COMPARE(a->state().sRxHistory, QStringLiteral("12"));
    QTRY_COMPARE(b->state().sRxHistory, QStringLiteral("abcde"));
    QTRY_COMPARE(pty->read(), QByteArray("xyz"));
    QTRY_VERIFY(second.read().startsWith("UUU"));

    QCOMPARE(a->state().sTxHistory, QStringLiteral("xyz"));
    QCOMPARE(litCells(a, false), QList<int>{2});
    QCOMPARE(litCells(b, false), QList<int>{5});
    QCOMPARE(litCells(a, true), QList<int>{3});
    QVERIFY(!a->state().bRepeat);
    QVERIFY(!a->action("Repeat")->isChecked());
    QCOMPARE(a->state().sLastSent, QByteArray("z"));
    QCOMPARE(b->state().sLastSent, QByteArray("U"));
    QVERIFY(!second.read().contains('x'));
    QCOMPARE(pty->read(), QByteArray("xyz")); // Repeat in b sent nothing from a
}

void tst_PortWindow::cellClicks_data() {
    QTest::addColumn<bool>("tx");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QList<int>>("litAfterClick");
    QTest::addColumn<QList<int>>("litAfterNext");

    QTest::newRow("TX1 restarts") << true << 1 << QList<int>{1} << QList<int>{2};
    QTest::newRow("RX1 restarts") << false << 1 << QList<int>{1} << QList<int>{2};
    QTest::newRow("TX5 does nothing") << true << 5 << QList<int>{6} << QList<int>{7};
    QTest::newRow("RX5 does nothing") << false << 5 << QList<int>{6} << QList<int>{7};
    QTest::newRow("TX8 does nothing") << true << 8 << QList<int>{6} << QList<int>{7};
}

void tst_PortWindow::cellClicks() {
    QFETCH(bool, tx);
    QFETCH(int, cell);
    QFETCH(QList<int>, litAfterClick);
    QFETCH(QList<int>, litAfterNext);
    Frame f;
    MDIChild1 *w = f.open(1);
    QTest::keyClicks(w, QStringLiteral("sixsix"));
    QVERIFY(pty->write("SIXSIX"));
    QTRY_COMPARE(litCells(w, false), QList<int>{6});
    QCOMPARE(litCells(w, true), QList<int>{6});

    ClickLabel *c = tx ? w->txCell(cell) : w->rxCell(cell);
    QTest::mouseClick(c, Qt::LeftButton);
    QCOMPARE(litCells(w, tx), litAfterClick);
    QCOMPARE(litCells(w, !tx), QList<int>{6}); // the other row is untouched
    for (int k = 1; k <= 8; ++k) {
        const ClickLabel *other = tx ? w->txCell(k) : w->rxCell(k);
        if (!litAfterClick.contains(k) && other->autoFillBackground())
            QCOMPARE(other->palette().color(QPalette::Window), QColor(192, 192, 192));
    }
    if (tx) {
        QTest::keyClick(w, Qt::Key_Q);
    } else {
        QVERIFY(pty->write("q"));
        QTRY_VERIFY(w->state().sRxHistory.endsWith(QLatin1Char('q')));
    }
    QCOMPARE(litCells(w, tx), litAfterNext);
}

void tst_PortWindow::functionKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("mods");
    QTest::addColumn<QByteArray>("sent");

    QTest::newRow("F1 alphabet") << int(Qt::Key_F1) << 0
                                 << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QTest::newRow("F4 fifty U") << int(Qt::Key_F4) << 0 << QByteArray(50, 'U');
    QTest::newRow("Shift+F2 entry 2")
        << int(Qt::Key_F2) << int(Qt::ShiftModifier) << QByteArray("abcdefghijklmnopqrstuvwxyz");
    QTest::newRow("Ctrl+F3 entry 3")
        << int(Qt::Key_F3) << int(Qt::ControlModifier) << QByteArray("1234567890");
    QTest::newRow("F5 empty") << int(Qt::Key_F5) << 0 << QByteArray();
    QTest::newRow("F12 empty") << int(Qt::Key_F12) << 0 << QByteArray();
}

void tst_PortWindow::functionKeys() {
    QFETCH(int, key);
    QFETCH(int, mods);
    QFETCH(QByteArray, sent);
    Frame f;
    MDIChild1 *w = f.open(1);
    QTest::keyClicks(w, QStringLiteral("k"));
    QTRY_COMPARE(pty->read(), QByteArray("k"));
    pty->take();

    QTest::keyClick(w, Qt::Key(key), Qt::KeyboardModifiers(mods));
    QCOMPARE(w->state().sLastSent, sent.isEmpty() ? QByteArray("k") : sent);
    QCOMPARE(litCells(w, true), QList<int>{int((sent.size()) % 8) + 1});
    press(w, Qt::Key_NumberSign, QStringLiteral("#"));
    QTRY_COMPARE(pty->read(), sent + '#');
}

void tst_PortWindow::timerRunsOnlyWhileSomethingCanChange() {
    Frame f;
    MDIChild1 *w = f.open(1);
    QVERIFY(w->timerRunning());
    QTRY_VERIFY(!w->timerRunning()); // idle pty: one tick, then sleep

    w->action("Repeat")->trigger();
    QVERIFY(w->timerRunning());
    QTRY_VERIFY(pty->read().size() >= 5);
    QVERIFY(w->timerRunning());
    w->action("Repeat")->trigger();
    QTRY_VERIFY(!w->timerRunning());

    w->action("DTR")->trigger();
    QVERIFY(w->timerRunning());
    QTRY_VERIFY(!w->timerRunning());
}

void tst_PortWindow::repeatSendsLastTextEveryTick() {
    Frame f;
    MDIChild1 *w = f.open(1);
    QTRY_VERIFY(!w->timerRunning());

    w->action("Repeat")->trigger();
    QVERIFY(w->state().bRepeat);
    QVERIFY(w->action("Repeat")->isChecked());
    for (int i = 0; i < 3; ++i)
        w->Timer1_Timer();
    QCOMPARE(w->state().sTxHistory, QStringLiteral("UUU"));
    QCOMPARE(litCells(w, true), QList<int>{3});

    QTRY_VERIFY(pty->read().size() >= 10);
    QTest::keyClick(w, Qt::Key_F3);
    QCOMPARE(w->state().sLastSent, QByteArray("1234567890"));
    QTRY_VERIFY(pty->read().contains("12345678901234567890"));
    QTest::keyClicks(w, QStringLiteral("x"));
    QTRY_VERIFY(pty->read().endsWith("xxx"));

    w->action("Repeat")->trigger();
    QVERIFY(!w->state().bRepeat);
    QVERIFY(!w->action("Repeat")->isChecked());
    QTRY_COMPARE(w->comm()->outputQueued(), qsizetype(0));
    const QByteArray stream = pty->take();
    QVERIFY2(QRegularExpression(QStringLiteral("^U{10,}(1234567890){2,}x{3,}$"))
                 .match(QString::fromLatin1(stream))
                 .hasMatch(),
             stream.left(200).constData());
    for (int i = 0; i < 3; ++i)
        w->Timer1_Timer();
    QTest::keyClicks(w, QStringLiteral("z"));
    QTRY_COMPARE(pty->read(), QByteArray("z")); // the ticks sent nothing before it
}

void tst_PortWindow::closingARepeatingWindowStopsIt() {
    Frame f;
    QPointer<MDIChild1> w = f.open(1);
    w->action("Repeat")->trigger();
    QTRY_VERIFY(pty->read().size() >= 5);
    w->parentWidget()->close();
    if (w)
        QVERIFY(!w->timerRunning());
    QTRY_VERIFY(w.isNull());
    // The port went with the window: the master sees its slave closed.
    QTRY_VERIFY([&] {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(pty->master, buf, sizeof buf)) > 0) {
        }
        return n < 0 && errno == EIO;
    }());
}

void tst_PortWindow::repeatWaitsForRoomOnSlowLine() {
    Frame f;
    MDIChild1 *w = f.open(2, QStringLiteral("COM2"));
    QVERIFY(w->comm()->PortOpen());
    LineSettings ls;
    QVERIFY(w->comm()->readLineSettings(ls));
    ls.BaudRate = 150; // 15 characters a second
    QVERIFY(w->comm()->writeLineSettings(ls));

    w->action("Repeat")->trigger();
    for (int i = 0; i < 3000; ++i)
        w->Timer1_Timer();
    // Echoed and carried stay within the small queue allowance.
    QVERIFY2(w->comm()->outputQueued() <= 64, QByteArray::number(w->comm()->outputQueued()));
    QVERIFY(w->state().sTxHistory.size() <= 64 + 1);
    QTRY_VERIFY(w->state().sRxHistory.size() >= 3);
    for (int i = 0; i < 3000; ++i)
        w->Timer1_Timer();
    const qsizetype sent = w->state().sTxHistory.size();
    const qsizetype carried = w->state().sRxHistory.size();
    QVERIFY2(sent - carried <= 64 + 1,
             qPrintable(QStringLiteral("sent %1 carried %2").arg(sent).arg(carried)));
    QVERIFY(w->comm()->outputQueued() <= 64);
    w->action("Repeat")->trigger();
}

void tst_PortWindow::layoutAtDesignSize() {
    Frame f;
    MDIChild1 *w = f.open(1);
    QVERIFY(pty->write(QByteArray(500, 'r')));
    QTRY_COMPARE(w->state().sRxHistory.size(), qsizetype(500));

    QWidget *sub = w->parentWidget();
    sub->resize(432, 327);
    QCOMPARE(sub->size(), QSize(432, 327));
    const QFontMetricsF fm(w->font());
    LayoutInput in;
    in.px = Twips::perPixelX();
    in.py = Twips::perPixelY();
    in.W = 432 * in.px;
    in.H = 327 * in.py;
    in.TW = fm.horizontalAdvance(QLatin1Char('W')) * in.px;
    in.TH = fm.height() * in.py;
    const PortWindowLayout L = computePortWindowLayout(in);
    QVERIFY(L.nRxVisible > 0);
    QCOMPARE(w->state().nRxVisible, L.nRxVisible);
    QCOMPARE(w->state().nTxVisible, L.nTxVisible);
    QCOMPARE(w->receiveBox()->geometry(),
             Twips::rect(L.Receive.x(), L.Receive.y(), L.Receive.width(), L.Receive.height()));
    QCOMPARE(w->transmitBox()->width(), 432 - 8);
    QCOMPARE(w->receiveBox()->text(), QString(L.nRxVisible, QLatin1Char('r')));

    // The full box is drawn in the rows the capacity counts: the newest text
    // does not wrap into a line below them.
    QVERIFY(pty->write(QByteArray(500, 'W')));
    QTRY_COMPARE(w->receiveBox()->text(), QString(L.nRxVisible, QLatin1Char('W')));
    const int columns = int(L.Receive.width() / in.TW - 0.7);
    const int rows = L.nRxVisible / columns;
    const QImage img = w->receiveBox()->grab().toImage();
    int lowestInk = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 3; x < img.width() - 3; ++x)
            if (qGray(img.pixel(x, y)) < 100)
                lowestInk = y;
    const int textTop = w->receiveBox()->contentsRect().top() + 1;
    QVERIFY2(lowestInk >= textTop && lowestInk < textTop + rows * QFontMetrics(w->font()).height(),
             qPrintable(QStringLiteral("ink down to %1, %2 rows from %3")
                            .arg(lowestInk)
                            .arg(rows)
                            .arg(textTop)));

    // Smaller: the box shows a shorter tail at once.
    sub->resize(432, 250);
    QVERIFY(w->state().nRxVisible < L.nRxVisible);
    QCOMPARE(w->receiveBox()->text(), QString(w->state().nRxVisible, QLatin1Char('W')));
}

void tst_PortWindow::tooSmallWindowIsClamped() {
    Frame f;
    MDIChild1 *w = f.open(1);
    QWidget *sub = w->parentWidget();
    sub->resize(200, 100);
    QTRY_COMPARE(sub->size(), QSize(400, 165));
    QVERIFY(w->state().nRxVisible >= 0);
}

void tst_PortWindow::vanishedPort() {
    Frame f;
    MDIChild1 *w = f.open(1);
    w->setWindowTitle(QStringLiteral("COM1   9600, None, 8, 1"));
    QVERIFY(pty->write("in"));
    QTest::keyClicks(w, QStringLiteral("out"));
    QTRY_COMPARE(w->state().sRxHistory, QStringLiteral("in"));
    QTRY_VERIFY(!w->timerRunning());

    pty->closeMaster();
    QTRY_VERIFY(w->portGone());
    QVERIFY(!w->comm()->PortOpen());
    QVERIFY2(w->windowTitle().startsWith(QStringLiteral("COM1 ")), qPrintable(w->windowTitle()));
    QVERIFY2(w->windowTitle().contains(QStringLiteral("gone")), qPrintable(w->windowTitle()));
    QVERIFY(!w->windowTitle().contains(QStringLiteral("9600")));
    for (ModemLine l : kTickOrder)
        QCOMPARE(w->indicator(l)->fill(), kGrey);
    for (const char *name : {"CD", "CTS", "DSR", "cRTS", "cDTR"})
        QCOMPARE(textColor(w->label(name)), kGrey);
    QCOMPARE(w->state().sRxHistory, QStringLiteral("in"));
    QCOMPARE(w->receiveBox()->text(), QStringLiteral("in"));
    QCOMPARE(w->transmitBox()->text(), QStringLiteral("out"));

    // Afterwards: typing echoes and fails quietly, ticks and toggles are harmless,
    // and nothing keeps a timer spinning for a port that is gone.
    QTest::keyClicks(w, QStringLiteral("!"));
    QCOMPARE(w->state().sTxHistory, QStringLiteral("out!"));
    w->action("DTR")->trigger();
    w->Timer1_Timer();
    for (ModemLine l : kTickOrder)
        QCOMPARE(w->indicator(l)->fill(), kGrey);
    w->action("Repeat")->trigger();
    QTRY_VERIFY(!w->timerRunning());

    QStringList seen;
    Modal::runner() = [&](QDialog *d) {
        seen << QString::fromLatin1(d->metaObject()->className());
        return int(QDialog::Accepted);
    };
    w->action("mnuFileConfigure")->trigger();
    QCOMPARE(seen, QStringList{QStringLiteral("QMessageBox")});
    QVERIFY(w->windowTitle().contains(QStringLiteral("gone")));
}

void tst_PortWindow::menuItemsReachTheFrame_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QList<int>>("counts"); // opens, exits, abouts
    QTest::addColumn<QList<int>>("arranged");

    QTest::newRow("Port/Open") << QStringLiteral("mnuFileOpen") << QList<int>{1, 0, 0}
                               << QList<int>{};
    QTest::newRow("Port/Exit") << QStringLiteral("mnuFileExit") << QList<int>{0, 1, 0}
                               << QList<int>{};
    QTest::newRow("Help/About") << QStringLiteral("mnuHelpAbout") << QList<int>{0, 0, 1}
                                << QList<int>{};
    QTest::newRow("Cascade") << QStringLiteral("mnuWindowCascade") << QList<int>{0, 0, 0}
                             << QList<int>{0};
    QTest::newRow("Tile Horizontal")
        << QStringLiteral("mnuWindowTileHorizontal") << QList<int>{0, 0, 0} << QList<int>{1};
    QTest::newRow("Tile Vertical")
        << QStringLiteral("mnuWindowTileVertical") << QList<int>{0, 0, 0} << QList<int>{2};
}

void tst_PortWindow::menuItemsReachTheFrame() {
    QFETCH(QString, item);
    QFETCH(QList<int>, counts);
    QFETCH(QList<int>, arranged);
    Frame f;
    MDIChild1 *w = f.open(1);
    QAction *a = w->action(item.toLatin1().constData());
    QVERIFY(a);
    a->trigger();
    QCOMPARE((QList<int>{f.host.opens, f.host.exits, f.host.abouts}), counts);
    QCOMPARE(f.host.arranged, arranged);
    QVERIFY(w->comm()->PortOpen());
}

void tst_PortWindow::boxesNeverTakeTheFocus() {
    Frame f;
    MDIChild1 *w = f.open(1);
    QVERIFY(QTest::qWaitForWindowActive(&f.main));
    for (QWidget *box :
         {static_cast<QWidget *>(w->transmitBox()), static_cast<QWidget *>(w->receiveBox())}) {
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!box->hasFocus());
    }
    QTest::mouseClick(w->label("cDTR"), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ok"));
    QTRY_COMPARE(pty->read(), QByteArray("ok"));
}

void tst_PortWindow::historyCollectsBeforeFirstLayout() {
    TestHost host;
    QWidget holder; // not shown yet: no layout pass has run
    auto *w = new MDIChild1(&host, &holder);
    QVERIFY(w->OpenPort(1));
    QVERIFY(pty->write("early"));
    QTRY_COMPARE(w->state().sRxHistory, QStringLiteral("early"));
    QCOMPARE(w->state().nRxVisible, qint16(0));
    QCOMPARE(w->receiveBox()->text(), QString());
    QCOMPARE(litCells(w, false), QList<int>{5});
    holder.resize(600, 400);
    holder.show();
    QTRY_VERIFY(w->state().nRxVisible > 0);
    QCOMPARE(w->receiveBox()->text(), QStringLiteral("early"));
}

void tst_PortWindow::shortcutsThroughTheFrame() {
    Pty second;
    QVERIFY(second.ok());
    PortMap::setCurrent({{1, pty->slave}, {3, second.slave}});
    App::startUp();
    QStringList wanted{QStringLiteral("COM1"), QStringLiteral("COM3")};
    Modal::runner() = [&](QDialog *d) {
        if (auto *sp = qobject_cast<SelectPort *>(d)) {
            sp->Port->setCurrentIndex(wanted.isEmpty() ? -1
                                                       : sp->Port->findText(wanted.takeFirst()));
            sp->OKButton->click();
        } else if (auto *c = qobject_cast<Configure *>(d)) {
            c->OKButton->click();
        } else {
            d->accept();
        }
        return d->result();
    };
    MDIForm1 frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTRY_COMPARE(frame.portWindows().size(), 1); // the first activation runs Port/Open
    frame.mnuFileOpen_Click();
    QCOMPARE(frame.portWindows().size(), 2);
    MDIChild1 *com1 = frame.portWindows().at(0);
    MDIChild1 *com3 = frame.portWindows().at(1);
    QTRY_COMPARE(frame.activePortWindow(), com3);
    QVERIFY(com1->action("DTR")->isChecked());
    QVERIFY(com3->action("DTR")->isChecked());

    QWidget *target = com3;
    QTest::keyClick(target, Qt::Key_D, Qt::ControlModifier);
    QVERIFY(!com3->comm()->DTREnable());
    QVERIFY(!com3->action("DTR")->isChecked());
    QVERIFY(com1->comm()->DTREnable()); // only the active window
    QVERIFY(com1->action("DTR")->isChecked());
    QTest::keyClick(target, Qt::Key_R, Qt::ControlModifier);
    QVERIFY(!com3->comm()->RTSEnable());
    QVERIFY(!com3->action("RTS")->isChecked());
    QVERIFY(com1->comm()->RTSEnable());
    QTest::keyClick(target, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(com3->state().bRepeat);
    QTest::keyClick(target, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(!com3->state().bRepeat);
    QVERIFY(!com3->action("Repeat")->isChecked());
    QTRY_COMPARE(com3->comm()->outputQueued(), qsizetype(0));
    const QByteArray before = second.take();
    QVERIFY(!before.contains('\x04') && !before.contains('\x12') && !before.contains('\x10'));
    press(target, Qt::Key_E, QStringLiteral("\x05"), Qt::ControlModifier);
    QTRY_COMPARE(second.read(), QByteArray("\x05"));
    QCOMPARE(com3->state().sTxHistory.right(4), QStringLiteral("<05>"));
    QVERIFY(!com3->state().sTxHistory.contains(QStringLiteral("<04>")));
    QVERIFY(!com3->state().sTxHistory.contains(QStringLiteral("<12>")));
    QVERIFY(!com3->state().sTxHistory.contains(QStringLiteral("<10>")));
    QCOMPARE(pty->read(), QByteArray());
    frame.close();
}

QTEST_MAIN(tst_PortWindow)
#include "tst_portwindow.moc"
