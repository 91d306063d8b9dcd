// Port/Open and closing the window, a thousand times through the frame: no
// descriptor and no memory is left behind.
#include "app/mdiform.h"
#include "tests/support/processes.h"
#include "portwin/portwindow.h"
#include "serial/portlock.h"
#include "serial/portmap.h"
#include "tests/support/testpty.h"
#include "ui/modal.h"

#include <QMdiSubWindow>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace testproc;

#if defined(__SANITIZE_ADDRESS__)
// Freed memory parked in ASan's quarantine would show up as RSS growth; this
// test is about what the program keeps, so no quarantine here. ASan's own
// allocator still grows its size-class caches and shadow by several MiB (its
// leak checker finds nothing), so the bound is wider there.
extern "C" const char *__asan_default_options() {
    return "quarantine_size_mb=0";
}
constexpr qint64 kRssGrowthBoundKiB = 32 * 1024;
#else
constexpr qint64 kRssGrowthBoundKiB = 8 * 1024;
#endif

class tst_OpenCycles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void thousandOpenCloseCycles() {
        TestPty pty;
        QVERIFY(pty.ok());
        PortMap::setCurrent({{1, pty.slave}});
        MDIForm1 frame;
        frame.show();
        int dialogs = 0;
        Modal::runner() = [&](QDialog *d) { // OK on Select Port and Configure
            ++dialogs;
            d->accept();
            return d->result();
        };
        frame.Form_Activate(); // the first activation's Port/Open, used up here

        auto cycle = [&](int i) {
            const int before = dialogs;
            frame.mnuFileOpen_Click();
            const auto windows = frame.portWindows();
            if (windows.size() != 1 || !windows.first()->comm()->PortOpen() ||
                dialogs != before + 2) {
                qWarning("windows %d, dialogs %d", int(windows.size()), dialogs - before);
                return false;
            }
            // Some traffic each time, so the receive path is part of the cycle.
            const QByteArray hello = "cycle " + QByteArray::number(i);
            if (::write(pty.master, hello.constData(), size_t(hello.size())) != hello.size())
                return false;
            MDIChild1 *w = windows.first();
            if (!QTest::qWaitFor(
                    [&] { return w->state().sRxHistory.endsWith(DisplayText::toDisplay(hello)); }))
                return false;
            w->parentWidget()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            pty.read(); // what the windows sent: nothing, but keep the master clear
            return frame.portWindows().isEmpty();
        };

        const auto closeAll = [&] {
            for (MDIChild1 *w : frame.portWindows())
                w->parentWidget()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        closeAll();
        for (int i = 0; i < 50; ++i) // warm-up: caches, fonts, first allocations
            QVERIFY2(cycle(i), qPrintable(u"cycle %1"_s.arg(i)));
        const int fds0 = openFdCount();
        const qint64 rss0 = rssKiB();
        for (int i = 50; i < 1050; ++i)
            QVERIFY2(cycle(i), qPrintable(u"cycle %1"_s.arg(i)));
        const int fds1 = openFdCount();
        const qint64 rss1 = rssKiB();
        Modal::runner() = nullptr;

        qInfo("descriptors %d -> %d, VmRSS %lld -> %lld KiB", fds0, fds1, rss0, rss1);
        QCOMPARE(fds1, fds0);
        QCOMPARE(fdsOn(pty.slave), 0);
        QVERIFY(!QFile::exists(PortLock::lockFilePath(pty.slave)));
        QVERIFY2(rss1 - rss0 < kRssGrowthBoundKiB,
                 qPrintable(u"VmRSS grew by %1 KiB over 1000 cycles"_s.arg(rss1 - rss0)));
    }
};

QTEST_MAIN(tst_OpenCycles)
#include "tst_opencycles.moc"
