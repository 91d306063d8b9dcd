#include "app/aboutbox.h"
#include "app/appstate.h"
#include "app/mdiform.h"
#include "app/opendiagnosis.h"
#include "app/selectport.h"
#include "config/configuredialog.h"
#include "portwin/portwindow.h"
#include "serial/portmap.h"
#include "serial/serialcomm.h"
#include "tests/support/testpty.h"
#include "ui/geometry.h"
#include "ui/modal.h"

#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

// Answers the program's modal dialogs in place of a person and records what
// was shown.
struct DialogScript {
    QStringList seen;                     // window titles, in order
    QStringList portLists;                // "COM1,COM3" per Select Port shown
    QStringList messages;                 // texts of message boxes
    std::function<void(SelectPort *)> onSelectPort = [](SelectPort *) {};
    std::function<void(Configure *)> onConfigure = [](Configure *) {};

    DialogScript() {
        Modal::runner() = [this](QDialog *d) {
            seen << d->windowTitle();
            if (auto *s = qobject_cast<SelectPort *>(d)) {
                QStringList entries;
                for (int i = 0; i < s->Port->count(); ++i)
                    entries << s->Port->itemText(i);
                portLists << entries.join(u',');
                onSelectPort(s);
                if (s->isVisible() || !s->property("closedByTest").toBool())
                    s->accept();
            } else if (auto *c = qobject_cast<Configure *>(d)) {
                onConfigure(c);
                if (c->result() == QDialog::Rejected && !c->property("cancelled").toBool())
                    c->accept();
            } else if (auto *m = qobject_cast<QMessageBox *>(d)) {
                messages << m->text();
                m->accept();
            } else {
                d->accept();
            }
            return d->result();
        };
    }
    ~DialogScript() { Modal::runner() = nullptr; }
};

class tst_Frame : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MDIForm1> frame;

    MDIChild1 *openPort(DialogScript &script, int index = 0) {
        script.onSelectPort = [index](SelectPort *s) { s->Port->setCurrentIndex(index); };
        const int before = int(frame->portWindows().size());
        frame->mnuFileOpen_Click();
        const auto list = frame->portWindows();
        return list.size() > before ? list.last() : nullptr;
    }

private Q_SLOTS:
    void init() {
        App::startUp();
        frame = std::make_unique<MDIForm1>();
        frame->show();
        // The first activation's Port/Open would answer whatever dialog script
        // a test sets up next; use it up here, except where it is the subject.
        if (qstrcmp(QTest::currentTestFunction(), "firstActivationOpensOnce") != 0) {
            Modal::runner() = [](QDialog *d) { return d->result(); };
            frame->Form_Activate();
            Modal::runner() = nullptr;
        }
    }
    void cleanup() {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void startState() {
        QCOMPARE(App::dGoldenRatio, 1.6180339887498949);
        QCOMPARE(App::lPortWindowCount, 0);
        QCOMPARE(App::sKeyStrings(1), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s);
        QCOMPARE(App::sKeyStrings(4), QString(50, u'U'));
        for (int i = 5; i <= 12; ++i)
            QVERIFY(App::sKeyStrings(i).isEmpty());
        for (int i = 1; i <= 12; ++i)
            QVERIFY(App::sEditStrings(i).isEmpty());
    }

    void frameAtLoad() {
        QCOMPARE(frame->windowTitle(), u"Kelvo Qarvelo"_s);
        const QRect expected = Geometry::frameRect(frame->screen()->size(), 15, 15);
        QCOMPARE(frame->geometry(), expected);
        if (frame->screen()->size() == QSize(800, 600))
            QCOMPARE(frame->geometry(), QRect(36, 75, 728, 450));
    }

    void frameMenus() {
        QStringList titles;
        for (QAction *a : frame->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{u"&Port"_s, u"&Help"_s}));
    }

    void firstActivationOpensOnce() {
        TestPty pty;
        PortMap::setCurrent({{1, pty.slave}});
        DialogScript script;
        script.onSelectPort = [](SelectPort *s) { s->reject(); };
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(frame.get(), &activate);
        QCoreApplication::sendEvent(frame.get(), &activate);
        QTRY_VERIFY(!frame->firstActivatePending());
        QTest::qWait(20);
        QCOMPARE(script.seen, QStringList{u"Select Port"_s});
        QCoreApplication::sendEvent(frame.get(), &activate);
        QTest::qWait(20);
        QCOMPARE(script.seen.size(), 1);
        QVERIFY(frame->portWindows().isEmpty()); // cancelled: the frame stays empty
    }

    void aboutKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
        QTest::newRow("Esc does nothing") << int(Qt::Key_Escape) << int(Qt::NoModifier) << false;
    }
    void aboutKeys() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, closes);
        bool closedByKey = false;
        QPoint pos, expected;
        Modal::runner() = [&](QDialog *d) -> int {
            pos = d->pos();
            const QSize decoration = frame->frameGeometry().size() - frame->geometry().size();
            expected = Geometry::placeDialog(frame->frameGeometry(), d->size() + decoration, 15, 15)
                           .topLeft();
            d->show();
            d->activateWindow();
            if (!QTest::qWaitForWindowActive(d))
                return -1;
            QTest::keyClick(d, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            closedByKey = !d->isVisible();
            d->done(QDialog::Accepted);
            return d->result();
        };
        frame->mnuHelpAbout_Click();
        Modal::runner() = nullptr;
        QCOMPARE(closedByKey, closes);
        QCOMPARE(pos, expected);
    }

    void aboutOkHasAltO() {
        AboutBox box;
        QCOMPARE(box.OKButton->shortcut(), QKeySequence(Qt::ALT | Qt::Key_O));
        QVERIFY(box.OKButton->isDefault());
    }

    void probeListsFreePorts() {
        TestPty p1, p2, p3, p12;
        PortMap::setCurrent({{1, p1.slave}, {2, p2.slave}, {3, p3.slave}, {12, p12.slave}});
        SerialComm holder; // COM2 is in use elsewhere
        QVERIFY(holder.setCommPort(2));
        QVERIFY(holder.setPortOpen(true));

        DialogScript script;
        int preselected = -2;
        script.onSelectPort = [&](SelectPort *s) {
            preselected = s->selectedIndex();
            s->Port->setCurrentIndex(2); // COM12
        };
        frame->mnuFileOpen_Click();
        QCOMPARE(script.portLists, QStringList{u"COM1,COM3,COM12"_s});
        QCOMPARE(preselected, 0);
        QCOMPARE(frame->portWindows().size(), 1);
        MDIChild1 *w = frame->portWindows().first();
        QCOMPARE(w->comm()->CommPort(), 12);
        QVERIFY(w->comm()->PortOpen());
        QCOMPARE(w->windowTitle(), u"COM12   9600, None, 8, 1"_s);
        QCOMPARE(script.seen, (QStringList{u"Select Port"_s, u"Configure COM12"_s}));
    }

    void cancelAndCloseBoxChooseNothing_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel after changing the selection") << false;
        QTest::newRow("close box") << true;
    }
    void cancelAndCloseBoxChooseNothing() {
        QFETCH(bool, closeBox);
        TestPty p1, p2;
        PortMap::setCurrent({{1, p1.slave}, {2, p2.slave}});
        DialogScript script;
        int result = -2;
        script.onSelectPort = [&](SelectPort *s) {
            s->Port->setCurrentIndex(1);
            if (closeBox) {
                s->show();
                s->close();
            } else {
                s->CancelButton->click();
            }
            s->setProperty("closedByTest", true);
            result = s->selectedIndex();
        };
        frame->mnuFileOpen_Click();
        QCOMPARE(result, -1);
        QVERIFY(frame->portWindows().isEmpty());
        QCOMPARE(App::lPortWindowCount, 0);
    }

    void openPortIsNotOfferedUntilClosed() {
        TestPty p1, p2;
        PortMap::setCurrent({{1, p1.slave}, {2, p2.slave}});
        DialogScript script;
        MDIChild1 *first = openPort(script);
        QVERIFY(first);
        openPort(script);
        QCOMPARE(script.portLists, (QStringList{u"COM1,COM2"_s, u"COM2"_s}));
        first->parentWidget()->close(); // the MDI subwindow
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        script.onSelectPort = [](SelectPort *s) { s->reject(); };
        frame->mnuFileOpen_Click();
        QCOMPARE(script.portLists.last(), u"COM1"_s);
    }

    void registrySlotsAreNeverReused() {
        TestPty p1;
        PortMap::setCurrent({{1, p1.slave}});
        DialogScript script;
        for (int i = 0; i < 3; ++i) {
            MDIChild1 *w = openPort(script);
            QVERIFY(w);
            QCOMPARE(App::PortWindows.at(i).data(), w);
            w->parentWidget()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(App::PortWindows.at(i).isNull()); // no dangling pointer
        }
        MDIChild1 *fourth = openPort(script);
        QCOMPARE(App::lPortWindowCount, 4);
        QCOMPARE(App::PortWindows.size(), 4);
        QCOMPARE(App::PortWindows.at(3).data(), fourth);
    }

    void portTakenBetweenProbeAndOpen() {
        TestPty p1;
        PortMap::setCurrent({{1, p1.slave}});
        DialogScript script;
        SerialComm thief;
        script.onSelectPort = [&](SelectPort *) {
            thief.setCommPort(1);
            thief.setPortOpen(true);
        };
        frame->mnuFileOpen_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(frame->portWindows().isEmpty()); // no window pretending to work
        QCOMPARE(script.messages.size(), 1);
        QVERIFY(script.messages.first().contains(u"COM1"_s));
        QVERIFY(script.messages.first().contains(p1.slave));
        QVERIFY(!script.seen.contains(u"Configure COM1"_s));
        QCOMPARE(App::lPortWindowCount, 1);
    }

    void exitClosesEveryWindowAndReleasesPorts() {
        TestPty p1, p2;
        PortMap::setCurrent({{1, p1.slave}, {2, p2.slave}});
        DialogScript script;
        QPointer<MDIChild1> a = openPort(script);
        QPointer<MDIChild1> b = openPort(script);
        QVERIFY(a && b);
        QMenu *portMenu = b->menus().first();
        QAction *exit = portMenu->findChild<QAction *>(u"mnuFileExit"_s);
        QTimer::singleShot(0, exit, &QAction::trigger);
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); }); // guard
        QCOMPARE(QCoreApplication::exec(), 0); // the program ends, with status 0
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(a.isNull() && b.isNull());
        QVERIFY(!frame->isVisible());
        for (int port : {1, 2}) {
            SerialComm again;
            QVERIFY(again.setCommPort(port));
            QVERIFY2(again.setPortOpen(true), qPrintable(again.lastError().message));
        }
    }

    void activeWindowMenusReplaceTheFrames() {
        TestPty p1;
        PortMap::setCurrent({{1, p1.slave}});
        DialogScript script;
        MDIChild1 *w = openPort(script);
        QVERIFY(w);
        frame->area()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(w->parentWidget()));
        QStringList titles;
        for (QAction *a : frame->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{u"&Port"_s, u"&Window"_s, u"&Options"_s, u"&Help"_s}));
        w->parentWidget()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        titles.clear();
        for (QAction *a : frame->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{u"&Port"_s, u"&Help"_s}));
    }

    void tiling_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("tile horizontal") << 1;
        QTest::newRow("tile vertical") << 2;
    }
    void tiling() {
        QFETCH(int, mode);
        // Two windows: more would go below the port window's minimum size.
        TestPty p1, p2;
        PortMap::setCurrent({{1, p1.slave}, {2, p2.slave}});
        DialogScript script;
        for (int i = 0; i < 2; ++i)
            QVERIFY(openPort(script));
        frame->arrange(mode);
        const QRect area = frame->area()->viewport()->rect();
        const QVector<QRect> expected = mode == 1 ? Geometry::tileHorizontal(area, 2)
                                                  : Geometry::tileVertical(area, 2);
        const auto windows = frame->portWindows();
        for (int i = 0; i < 2; ++i)
            QCOMPARE(windows[i]->parentWidget()->geometry(), expected[i]);
    }

    void diagnosisNamesTheCause_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("mustContain");
        QTest::newRow("permission names the group")
            << int(SerialErrorKind::PermissionDenied) << QString() << u"usermod -aG"_s;
        QTest::newRow("busy names the holder")
            << int(SerialErrorKind::Busy) << u"picocom (pid 42)"_s << u"picocom (pid 42)"_s;
        QTest::newRow("gone says plug it in") << int(SerialErrorKind::NotFound) << QString()
                                              << u"Plug it in"_s;
    }
    void diagnosisNamesTheCause() {
        QFETCH(int, kind);
        QFETCH(QString, holder);
        QFETCH(QString, mustContain);
        SerialError err;
        err.kind = SerialErrorKind(kind);
        err.device = u"/dev/ttyUSB7"_s;
        err.message = u"the reason"_s;
        err.holder = holder;
        const QString text = describeOpenFailure(u"COM3"_s, err);
        QVERIFY2(text.contains(u"COM3 (/dev/ttyUSB7)"_s), qPrintable(text));
        QVERIFY2(text.contains(u"the reason"_s), qPrintable(text));
        QVERIFY2(text.contains(mustContain), qPrintable(text));
    }
};

QTEST_MAIN(tst_Frame)
#include "tst_frame.moc"
