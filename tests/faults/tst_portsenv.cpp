// QARVELO_PORTS as the program reads it: malformed entries are reported on
// standard error and skipped, the rest of the map is used.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_PortsEnv : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void malformedEntriesSkipped_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expectedOut");
        QTest::addColumn<QStringList>("errorsMention");

        QTest::newRow("well formed") << u"COM2=loopback,COM1=/dev/pts/90"_s
                                     << u"COM1 /dev/pts/90\nCOM2 loopback\n"_s << QStringList{};
        QTest::newRow("one bad entry among good ones")
            << u"COM1=/dev/pts/90,COM99=/dev/pts/91,COM3=loopback"_s
            << u"COM1 /dev/pts/90\nCOM3 loopback\n"_s << QStringList{u"COM99"_s};
        QTest::newRow("every kind of malformed entry")
            << u"COM1,LPT1=/dev/lp0,COM0=/dev/a,COM4=,COM5=relative,COM6=/dev/pts/92,com6=/dev/b"_s
            << u"COM6 /dev/pts/92\n"_s
            << QStringList{u"\"COM1\""_s, u"LPT1"_s,     u"COM0"_s,
                           u"COM4="_s,    u"relative"_s, u"com6=/dev/b"_s};
        QTest::newRow("only garbage")
            << u"=,==,COM=x,\u00e9t\u00e9"_s << QString()
            << QStringList{u"\"=\""_s, u"\"==\""_s, u"COM=x"_s, u"\u00e9t\u00e9"_s};
        QTest::newRow("set but empty: no ports") << QString() << QString() << QStringList{};
    }
    void malformedEntriesSkipped() {
        QFETCH(QString, value);
        QFETCH(QString, expectedOut);
        QFETCH(QStringList, errorsMention);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QARVELO_PORTS"_s, value);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QARVELO_PORTS_EXE), {});
        QVERIFY2(p.waitForFinished(30000), qPrintable(p.errorString()));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()), expectedOut);
        const QStringList errors =
            QString::fromLocal8Bit(p.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(errors.size(), errorsMention.size()); // one line per bad entry
        for (int i = 0; i < errors.size(); ++i)
            QVERIFY2(errors[i].contains(errorsMention[i]), qPrintable(errors[i]));
    }
};

QTEST_APPLESS_MAIN(tst_PortsEnv)
#include "tst_portsenv.moc"
