#include "tests/portwin/portwindowfixture.h"

#include "strings/definestrings.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace fixture;
using namespace Qt::StringLiterals;

namespace {

// Types into the box as a person does: select all, then the new text.
void retype(DefineStrings &d, const QString &text) {
    d.StringValue->setFocus();
    d.StringValue->selectAll();
    QTest::keyClick(d.StringValue, Qt::Key_Delete);
    QTest::keyClicks(d.StringValue, text);
}

void selectKey(DefineStrings &d, int i) {
    QTest::mouseClick(d.Key[i], Qt::LeftButton);
}

// Ends the dialog the way the row names.
void finish(DefineStrings &d, const QString &how) {
    if (how == u"OK"_s)
        QTest::mouseClick(d.OKButton, Qt::LeftButton);
    else if (how == u"Cancel"_s)
        QTest::mouseClick(d.CancelButton, Qt::LeftButton);
    else if (how == u"Escape in box"_s)
        QTest::keyClick(d.StringValue, Qt::Key_Escape);
    else if (how == u"Escape on button"_s)
        QTest::keyClick(d.OKButton, Qt::Key_Escape);
    else if (how == u"Enter in box"_s)
        QTest::keyClick(d.StringValue, Qt::Key_Return);
    else if (how == u"close box"_s)
        d.close();
}

} // namespace

class tst_DefineStrings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Modal::runner() = nullptr; }

    void loadShowsF1();
    void endings_data();
    void endings();
    void switchingLosesNothing();
    void lineBreaks();
    void throughThePortWindow_data();
    void throughThePortWindow();
    void twoLineEntryIsSentAsCrLf();
};

void tst_DefineStrings::loadShowsF1() {
    KeyStringTable edit = TestStrings::defaults();
    DefineStrings d(edit);
    QCOMPARE(d.windowTitle(), u"Define Strings"_s);
    QVERIFY(d.Key[1]->isChecked());
    for (int i = 2; i <= 12; ++i)
        QVERIFY(!d.Key[i]->isChecked());
    QCOMPARE(d.StringValue->toPlainText(), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s);
    QCOMPARE(d.nStatus(), qint16(0));
}

void tst_DefineStrings::endings_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("f5");
    QTest::addColumn<QString>("f6");
    QTest::addColumn<bool>("accepted");

    // F5 edited, then F6 selected and edited, then the dialog ends.
    QTest::newRow("OK") << u"OK"_s << 0 << u"five"_s << u"six"_s << true;
    QTest::newRow("Enter in the box presses OK")
        << u"Enter in box"_s << 0 << u"five"_s << u"six"_s << true;
    QTest::newRow("Escape in the box accepts")
        << u"Escape in box"_s << 0 << u"five"_s << u"six"_s << true;
    QTest::newRow("Escape elsewhere accepts")
        << u"Escape on button"_s << 0 << u"five"_s << u"six"_s << true;
    QTest::newRow("Cancel") << u"Cancel"_s << -1 << u"five"_s << u"six"_s << false;
    // The close box runs neither button: what switching stored stays, the text
    // still in the box does not.
    QTest::newRow("close box") << u"close box"_s << 0 << u"five"_s << QString() << false;
}

void tst_DefineStrings::endings() {
    QFETCH(QString, how);
    QFETCH(int, status);
    QFETCH(QString, f5);
    QFETCH(QString, f6);
    QFETCH(bool, accepted);
    KeyStringTable edit = TestStrings::defaults();
    DefineStrings d(edit);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));

    selectKey(d, 5);
    QVERIFY(d.Key[5]->isChecked());
    retype(d, u"five"_s);
    selectKey(d, 6);
    QCOMPARE(d.StringValue->toPlainText(), QString());
    retype(d, u"six"_s);
    finish(d, how);

    QVERIFY(!d.isVisible());
    QCOMPARE(int(d.nStatus()), status);
    QCOMPARE(d.result() == QDialog::Accepted, accepted);
    // The editing copy; the window takes it over unless nStatus is -1.
    QCOMPARE(edit(5), f5);
    if (status != -1)
        QCOMPARE(edit(6), f6);
    QCOMPARE(edit(1), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s);
}

void tst_DefineStrings::switchingLosesNothing() {
    KeyStringTable edit = TestStrings::defaults();
    DefineStrings d(edit);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    selectKey(d, 3);
    QCOMPARE(d.StringValue->toPlainText(), u"1234567890"_s);
    selectKey(d, 1);
    QCOMPARE(d.StringValue->toPlainText(), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s);
    selectKey(d, 1); // the selected key again: the box keeps its text
    QCOMPARE(d.StringValue->toPlainText(), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s);
    retype(d, QString());
    selectKey(d, 4);
    QCOMPARE(d.StringValue->toPlainText(), QString(50, u'U'));
    finish(d, u"OK"_s);
    QCOMPARE(edit(1), QString()); // emptied: F1 now sends nothing
    QCOMPARE(edit(3), u"1234567890"_s);
    QCOMPARE(edit(4), QString(50, u'U'));
}

void tst_DefineStrings::lineBreaks() {
    KeyStringTable edit = TestStrings::defaults();
    DefineStrings d(edit);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    selectKey(d, 7);
    d.StringValue->setFocus();
    QTest::keyClicks(d.StringValue, u"ab"_s);
    QTest::keyClick(d.StringValue, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(d.isVisible()); // Ctrl+Enter is a line break, not OK
    QTest::keyClicks(d.StringValue, u"cd"_s);
    QCOMPARE(d.StringValue->toPlainText(), u"ab\ncd"_s);
    selectKey(d, 8);
    QCOMPARE(edit(7), u"ab\r\ncd"_s);
    selectKey(d, 7);
    QCOMPARE(d.StringValue->toPlainText(), u"ab\ncd"_s); // shown as two lines again
    QCOMPARE(d.StringValue->document()->lineCount(), 2);
    QTest::keyClick(d.StringValue, Qt::Key_Enter); // keypad Enter presses OK too
    QVERIFY(!d.isVisible());
    QCOMPARE(edit(7), u"ab\r\ncd"_s);
}

void tst_DefineStrings::throughThePortWindow_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("takenOver");
    QTest::newRow("OK") << u"OK"_s << true;
    QTest::newRow("Escape") << u"Escape in box"_s << true;
    QTest::newRow("Cancel") << u"Cancel"_s << false;
}

void tst_DefineStrings::throughThePortWindow() {
    QFETCH(QString, how);
    QFETCH(bool, takenOver);
    Pty pty;
    QVERIFY(pty.ok());
    PortMap::setCurrent({{1, pty.slave}});
    Frame f;
    MDIChild1 *w = f.open(1);
    int shown = 0;
    Modal::runner() = [&](QDialog *dlg) {
        auto *d = qobject_cast<DefineStrings *>(dlg);
        if (!d)
            return int(QDialog::Rejected);
        ++shown;
        d->show();
        selectKey(*d, 5);
        retype(*d, u"Hi!"_s);
        finish(*d, how);
        return d->result();
    };
    w->action("mnuOptionsStrings")->trigger();
    QCOMPARE(shown, 1);
    QCOMPARE(f.host.keys(5), takenOver ? u"Hi!"_s : QString());
    QCOMPARE(f.host.keys(1), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s);
    QVERIFY(!w->findChild<DefineStrings *>()); // unloaded after use
    QVERIFY(!f.main.findChild<DefineStrings *>());

    QTest::keyClick(w, Qt::Key_F5);
    QTest::keyClicks(w, u"#"_s);
    QTRY_COMPARE(pty.read(), takenOver ? QByteArray("Hi!#") : QByteArray("#"));
}

void tst_DefineStrings::twoLineEntryIsSentAsCrLf() {
    Pty pty;
    QVERIFY(pty.ok());
    PortMap::setCurrent({{1, pty.slave}});
    Frame f;
    MDIChild1 *w = f.open(1);
    Modal::runner() = [&](QDialog *dlg) {
        auto *d = qobject_cast<DefineStrings *>(dlg);
        if (!d)
            return int(QDialog::Rejected);
        d->show();
        selectKey(*d, 2);
        retype(*d, u"ab"_s);
        QTest::keyClick(d->StringValue, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(d->StringValue, u"cd"_s);
        QTest::keyClick(d->StringValue, Qt::Key_Return);
        return d->result();
    };
    w->action("mnuOptionsStrings")->trigger();
    QCOMPARE(f.host.keys(2), u"ab\r\ncd"_s);
    QTest::keyClick(w, Qt::Key_F2);
    QTRY_COMPARE(pty.read(), QByteArray("ab\r\ncd"));
    QCOMPARE(w->transmitBox()->text(), u"ab<0D><0A>cd"_s);
}

QTEST_MAIN(tst_DefineStrings)
#include "tst_definestrings.moc"
