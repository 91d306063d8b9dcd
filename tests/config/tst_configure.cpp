#include "tests/portwin/portwindowfixture.h"

#include "config/configuredialog.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace fixture;
using namespace Qt::StringLiterals;

namespace {

struct Choice {
    QString baud, parity, data, stop;
};

// What one dialog showed when it came up.
struct Seen {
    QString title, baud, parity, data, stop;
};

// Runs the configuration dialog of `w` with `choose` applied and ended by
// `ending` ("ok", "cancel", "close"); message boxes are recorded and accepted.
struct Runner {
    QList<Seen> dialogs;
    QStringList messages;

    void install(const Choice &choose, const QString &ending) {
        Modal::runner() = [this, choose, ending](QDialog *d) {
            if (auto *box = qobject_cast<QMessageBox *>(d)) {
                messages << box->text();
                return int(QMessageBox::Ok);
            }
            auto *c = qobject_cast<Configure *>(d);
            if (!c)
                return int(QDialog::Rejected);
            dialogs << Seen{c->windowTitle(), c->BaudRate->currentText(), c->Parity->currentText(),
                            c->DataBits->currentText(), c->StopBits->currentText()};
            c->show();
            auto pick = [](QComboBox *box, const QString &text) {
                if (!text.isEmpty())
                    box->setCurrentIndex(box->findText(text));
            };
            pick(c->BaudRate, choose.baud);
            pick(c->Parity, choose.parity);
            pick(c->DataBits, choose.data);
            pick(c->StopBits, choose.stop);
            if (ending == QStringLiteral("ok"))
                c->OKButton->click();
            else if (ending == QStringLiteral("cancel"))
                c->CancelButton->click();
            else
                c->close(); // the close box
            return c->result();
        };
    }
};

LineSettings portSettings(MDIChild1 *w) {
    LineSettings ls;
    w->comm()->readLineSettings(ls);
    return ls;
}

} // namespace

class tst_Configure : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { Modal::runner() = nullptr; }

    void presetsAndCaption();
    void applies_data();
    void applies();
    void presetsComeFromThePort();
    void nothingAppliedWithoutOk_data();
    void nothingAppliedWithoutOk();
    void refusedCombination_data();
    void refusedCombination();
    void portNotOpen();
    void portVanishesWhileOpen();
    void tabOrderAndEscape();

private:
    std::unique_ptr<Pty> pty;
};

void tst_Configure::init() {
    pty = std::make_unique<Pty>();
    QVERIFY(pty->ok());
    PortMap::setCurrent({{1, pty->slave}, {2, QStringLiteral("loopback")}});
}

void tst_Configure::presetsAndCaption() {
    Frame f;
    MDIChild1 *w = f.open(1);
    Runner r;
    r.install({}, QStringLiteral("ok"));
    w->mnuFileConfigure_Click();
    QCOMPARE(r.dialogs.size(), 1);
    QCOMPARE(r.dialogs[0].title, QStringLiteral("Configure COM1"));
    QCOMPARE(r.dialogs[0].baud, QStringLiteral("9600"));
    QCOMPARE(r.dialogs[0].parity, QStringLiteral("None"));
    QCOMPARE(r.dialogs[0].data, QStringLiteral("8"));
    QCOMPARE(r.dialogs[0].stop, QStringLiteral("1"));
    QCOMPARE(w->windowTitle(), QStringLiteral("COM1   9600, None, 8, 1"));
    QCOMPARE(f.host.placed, 1);
    QVERIFY(r.messages.isEmpty());

    // Again: the caption is rebuilt from the name, not appended to.
    w->action("mnuFileConfigure")->trigger();
    QCOMPARE(r.dialogs[1].title, QStringLiteral("Configure COM1   9600, None, 8, 1"));
    QCOMPARE(w->windowTitle(), QStringLiteral("COM1   9600, None, 8, 1"));
}

void tst_Configure::applies_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("caption");

    // A Linux pty keeps rate and stop bits but forces 8 bits without parity,
    // so the other framings are checked on the loopback plug.
    QTest::newRow("pty 115200 None 8 2") << 1 << "115200"
                                         << "None"
                                         << "8"
                                         << "2"
                                         << "COM1   115200, None, 8, 2";
    QTest::newRow("pty 150 None 8 1") << 1 << "150"
                                      << "None"
                                      << "8"
                                      << "1"
                                      << "COM1   150, None, 8, 1";
    QTest::newRow("loopback 115200 Mark 5 1.5") << 2 << "115200"
                                                << "Mark"
                                                << "5"
                                                << "1.5"
                                                << "COM1   115200, Mark, 5, 1.5";
    QTest::newRow("loopback 300 Even 7 2") << 2 << "300"
                                           << "Even"
                                           << "7"
                                           << "2"
                                           << "COM1   300, Even, 7, 2";
    QTest::newRow("loopback 57600 Space 6 1") << 2 << "57600"
                                              << "Space"
                                              << "6"
                                              << "1"
                                              << "COM1   57600, Space, 6, 1";
}

void tst_Configure::applies() {
    QFETCH(int, port);
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(QString, data);
    QFETCH(QString, stop);
    QFETCH(QString, caption);
    Frame f;
    MDIChild1 *w = f.open(qint16(port));
    QVERIFY(w->comm()->PortOpen());
    Runner r;
    r.install({baud, parity, data, stop}, QStringLiteral("ok"));
    w->mnuFileConfigure_Click();
    QCOMPARE(w->windowTitle(), caption);
    QVERIFY(r.messages.isEmpty());

    const LineSettings ls = portSettings(w);
    QCOMPARE(ls.BaudRate, baud.toUInt());
    QCOMPARE(int(ls.Parity),
             QStringList({u"None"_s, u"Odd"_s, u"Even"_s, u"Mark"_s, u"Space"_s}).indexOf(parity));
    QCOMPARE(ls.fParity, parity != QStringLiteral("None"));
    QCOMPARE(int(ls.ByteSize), data.toInt());
    QCOMPARE(int(ls.StopBits), QStringList({u"1"_s, u"1.5"_s, u"2"_s}).indexOf(stop));
    if (port == 1) { // what the device itself runs
        const termios t = pty->settings();
        speed_t want = baud == QStringLiteral("150") ? B150 : B115200;
        QCOMPARE(cfgetospeed(&t), want);
        QCOMPARE(bool(t.c_cflag & CSTOPB), stop == QStringLiteral("2"));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(!(t.c_cflag & PARENB));
        QVERIFY(t.c_cflag & CLOCAL); // the rest of the settings stayed
    }
}

void tst_Configure::presetsComeFromThePort() {
    Frame f;
    MDIChild1 *w = f.open(2);
    Runner r;
    r.install(
        {QStringLiteral("19200"), QStringLiteral("Even"), QStringLiteral("7"), QStringLiteral("2")},
        QStringLiteral("ok"));
    w->mnuFileConfigure_Click();
    r.install({QString(), QStringLiteral("None"), QString(), QString()}, QStringLiteral("ok"));
    w->mnuFileConfigure_Click();
    r.install({}, QStringLiteral("cancel"));
    w->mnuFileConfigure_Click();
    QCOMPARE(r.dialogs.size(), 3);
    QCOMPARE(r.dialogs[1].baud, QStringLiteral("19200"));
    QCOMPARE(r.dialogs[1].parity, QStringLiteral("Even"));
    QCOMPARE(r.dialogs[1].data, QStringLiteral("7"));
    QCOMPARE(r.dialogs[1].stop, QStringLiteral("2"));
    QCOMPARE(r.dialogs[2].parity, QStringLiteral("None"));

    // A rate the list does not offer shows 9600; OK then sets 9600.
    LineSettings ls = portSettings(w);
    ls.BaudRate = 230400;
    QVERIFY(w->comm()->writeLineSettings(ls));
    r.install({}, QStringLiteral("ok"));
    w->mnuFileConfigure_Click();
    QCOMPARE(r.dialogs[3].baud, QStringLiteral("9600"));
    QCOMPARE(portSettings(w).BaudRate, 9600u);
}

void tst_Configure::nothingAppliedWithoutOk_data() {
    QTest::addColumn<QString>("ending");
    QTest::newRow("Cancel") << QStringLiteral("cancel");
    QTest::newRow("close box") << QStringLiteral("close");
}

void tst_Configure::nothingAppliedWithoutOk() {
    QFETCH(QString, ending);
    Frame f;
    MDIChild1 *w = f.open(1);
    const termios before = pty->settings();
    Runner r;
    r.install({QStringLiteral("115200"), QString(), QString(), QStringLiteral("2")}, ending);
    w->mnuFileConfigure_Click();
    QCOMPARE(r.dialogs.size(), 1);
    QCOMPARE(w->windowTitle(), QStringLiteral("COM1"));
    const termios after = pty->settings();
    QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
    QCOMPARE(after.c_cflag, before.c_cflag);
    QCOMPARE(portSettings(w).BaudRate, 9600u);
}

void tst_Configure::refusedCombination_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("stop");

    QTest::newRow("5 data bits, 2 stop bits (pty)") << 1 << "5"
                                                    << "None"
                                                    << "2";
    QTest::newRow("8 data bits, 1.5 stop bits (pty)") << 1 << "8"
                                                      << "None"
                                                      << "1.5";
    QTest::newRow("5 data bits, 2 stop bits (loopback)") << 2 << "5"
                                                         << "None"
                                                         << "2";
    QTest::newRow("Mark parity the pty cannot run") << 1 << "8"
                                                    << "Mark"
                                                    << "1";
}

void tst_Configure::refusedCombination() {
    QFETCH(int, port);
    QFETCH(QString, data);
    QFETCH(QString, parity);
    QFETCH(QString, stop);
    Frame f;
    MDIChild1 *w = f.open(qint16(port));
    Runner r;
    r.install({QStringLiteral("4800"), parity, data, stop}, QStringLiteral("ok"));
    const termios before = pty->settings();
    const LineSettings had = portSettings(w);
    w->mnuFileConfigure_Click();

    QCOMPARE(r.messages.size(), 1); // the refusal is shown
    QVERIFY2(r.messages[0].contains(QStringLiteral("COM1")), qPrintable(r.messages[0]));
    QCOMPARE(portSettings(w), had);
    QCOMPARE(w->windowTitle(), QStringLiteral("COM1   9600, None, 8, 1")); // what it runs
    if (port == 1) {
        const termios after = pty->settings();
        QCOMPARE(after.c_cflag, before.c_cflag);
        QCOMPARE(cfgetospeed(&after), speed_t(B9600));
    }
    QVERIFY(w->comm()->PortOpen());
}

void tst_Configure::portNotOpen() {
    Frame f;
    MDIChild1 *w = f.open(9, QStringLiteral("COM9"));
    Runner r;
    r.install({}, QStringLiteral("ok"));
    w->mnuFileConfigure_Click();
    QVERIFY(r.dialogs.isEmpty());
    QCOMPARE(r.messages.size(), 1);
    QCOMPARE(w->windowTitle(), QStringLiteral("COM9"));
}

void tst_Configure::portVanishesWhileOpen() {
    Frame f;
    MDIChild1 *w = f.open(1);
    QStringList messages;
    Modal::runner() = [&](QDialog *d) {
        if (auto *box = qobject_cast<QMessageBox *>(d)) {
            messages << box->text();
            return int(QMessageBox::Ok);
        }
        auto *c = qobject_cast<Configure *>(d);
        pty->closeMaster(); // the adapter is pulled while the dialog is up
        if (!QTest::qWaitFor([&] { return w->portGone(); }))
            return int(QDialog::Rejected);
        c->BaudRate->setCurrentIndex(c->BaudRate->findText(QStringLiteral("19200")));
        c->OKButton->click();
        return c->result();
    };
    w->mnuFileConfigure_Click();
    QVERIFY(w->portGone());
    QVERIFY2(w->windowTitle().contains(QStringLiteral("gone")), qPrintable(w->windowTitle()));
    QVERIFY(!w->windowTitle().contains(QStringLiteral("19200")));
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QStringLiteral("gone")), qPrintable(messages[0]));
    QVERIFY(!messages[0].contains(QStringLiteral("still runs")));
}

void tst_Configure::tabOrderAndEscape() {
    Configure dlg;
    dlg.setSelection({6, 0, 3, 0});
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg.OKButton));
    const QList<QWidget *> order{dlg.CancelButton, dlg.BaudRate, dlg.Parity,
                                 dlg.DataBits,     dlg.StopBits, dlg.OKButton};
    for (QWidget *next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
    QTest::keyClick(dlg.BaudRate, Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.selection().baud, 6);
    QCOMPARE(dlg.result(), 0);
}

QTEST_MAIN(tst_Configure)
#include "tst_configure.moc"
