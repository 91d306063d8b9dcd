// Repeat over a long run: resident memory every 10 s, and whether what the
// window echoed equals what the line carried.
//
//   bench_repeat [--minutes 3] [--line loopback|pty|both]
//
// loopback: the built-in plug at 150 baud, bytes come back as received.
// pty: a pseudo-terminal at 115200 whose master is drained by a thread.

#include "benchutil.h"

#include "portwin/portwindow.h"
#include "serial/portmap.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <thread>

#include <poll.h>

namespace {

// Counts the window's sends by the Transmit light: every send of the one-byte
// default text steps it once, and no two sends fall between two events.
class SendCounter : public QObject {
public:
    SendCounter(const MDIChild1 *win, QObject *parent) : QObject(parent), w(win) {
        last = w->state().txLight.n;
        qApp->installEventFilter(this);
    }
    ~SendCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *, QEvent *) override {
        sample();
        return false;
    }
    void sample() {
        const int n = w->state().txLight.n;
        sent += ((n - last) % 8 + 8) % 8;
        last = n;
    }
    const MDIChild1 *w;
    int last = 0;
    qint64 sent = 0;
};

void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runLine(bool loopback, double minutes, bench::StubHost &host) {
    std::unique_ptr<bench::Pty> pty;
    std::atomic<qint64> masterBytes{0};
    std::atomic<bool> stop{false};
    std::thread drain;
    if (loopback) {
        PortMap::setCurrent({{1, QString::fromLatin1(PortMap::kLoopback)}});
    } else {
        pty = std::make_unique<bench::Pty>();
        PortMap::setCurrent({{1, pty->slave}});
    }
    auto *w = new MDIChild1(&host);
    if (!w->OpenPort(1)) {
        std::fprintf(stderr, "OpenPort failed: %s\n", qPrintable(w->openError().message));
        return false;
    }
    LineSettings ls;
    w->comm()->readLineSettings(ls);
    ls.BaudRate = loopback ? 150 : 115200;
    SerialError err;
    if (!w->comm()->writeLineSettings(ls, &err)) {
        std::fprintf(stderr, "writeLineSettings failed: %s\n", qPrintable(err.message));
        return false;
    }
    w->resize(w->sizeHint());
    w->show();
    if (pty) {
        drain = std::thread([&] {
            char buf[65536];
            while (!stop.load()) {
                pollfd p{pty->master, POLLIN, 0};
                if (::poll(&p, 1, 50) > 0) {
                    const ssize_t n = ::read(pty->master, buf, sizeof buf);
                    if (n > 0)
                        masterBytes += n;
                }
            }
        });
    }
    auto *rx = new bench::RxCounter(w->comm(), w);
    auto *tx = new SendCounter(w, w);

    std::printf("%s at %u baud, Repeat on for %.1f min\n", loopback ? "loopback" : "pty",
                ls.BaudRate, minutes);
    const double cpu0 = bench::cpuSeconds(RUSAGE_SELF);
    w->action("Repeat")->trigger();
    QElapsedTimer clock;
    clock.start();
    const qint64 totalMs = qint64(minutes * 60000);
    std::vector<std::pair<double, double>> rss; // seconds, MiB
    for (qint64 next = 0; next <= totalMs; next += 10000) {
        const qint64 wait = next - clock.elapsed();
        if (wait > 0)
            spin(int(wait));
        rss.emplace_back(clock.elapsed() / 1000.0, bench::rssKiB() / 1024.0);
        tx->sample();
        const qint64 carried = loopback ? rx->total : masterBytes.load();
        std::printf("  t=%5.0f s  VmRSS %6.2f MiB  echoed %9lld  carried %9lld  queued %5lld\n",
                    rss.back().first, rss.back().second, (long long)tx->sent, (long long)carried,
                    (long long)w->comm()->outputQueued());
        std::fflush(stdout);
    }
    const double cpu = bench::cpuSeconds(RUSAGE_SELF) - cpu0;
    const double elapsed = clock.elapsed() / 1000.0;
    // Repeat off; what is queued drains, then the counts must agree exactly.
    w->action("Repeat")->trigger();
    tx->sample();
    const qint64 echoed = tx->sent;
    const qint64 queuedAtStop = w->comm()->outputQueued();
    QElapsedTimer settle;
    settle.start();
    auto carried = [&] { return loopback ? rx->total : masterBytes.load(); };
    while (carried() < echoed && settle.elapsed() < 30000)
        spin(20);
    spin(200);
    const qint64 got = carried();
    stop = true;
    if (drain.joinable())
        drain.join();
    delete w;

    double base = 0, peak = 0;
    for (const auto &[t, mib] : rss) {
        if (t < 60)
            continue;
        if (base == 0)
            base = mib;
        peak = std::max(peak, mib);
    }
    const double growth = base > 0 ? peak - base : 0;
    const bool countsOk = got == echoed;
    std::printf(
        "  echoed %lld bytes, line carried %lld (queued at stop %lld, drained after) -> %s\n",
        (long long)echoed, (long long)got, (long long)queuedAtStop, countsOk ? "equal" : "DIFFER");
    std::printf("  rate %.1f bytes/s, cpu %.1f %% of a core\n", echoed / elapsed,
                100 * cpu / elapsed);
    if (base > 0)
        std::printf("  RSS growth after the first minute: %.3f MiB (target < 1) -> %s\n", growth,
                    growth < 1 ? "met" : "MISSED");
    else
        std::printf("  run shorter than a minute: no growth figure\n");
    return countsOk && growth < 1;
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double minutes = bench::argValue(argc, argv, "--minutes", 3);
    QString line = QStringLiteral("both");
    for (int i = 1; i + 1 < argc; ++i)
        if (qstrcmp(argv[i], "--line") == 0)
            line = QString::fromLocal8Bit(argv[i + 1]);
    bench::StubHost host;
    bool ok = true;
    if (line != QLatin1String("pty"))
        ok = runLine(true, minutes, host) && ok;
    if (line != QLatin1String("loopback"))
        ok = runLine(false, minutes, host) && ok;
    return ok ? 0 : 1;
}
