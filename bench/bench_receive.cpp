// Receive throughput: a port window on a pseudo-terminal against a bare
// poll()+read() loop on the same kind of pty, side by side in one run.
//
//   bench_receive [--runs 5] [--mib 32]
//
// A writer thread pushes 0..255 repeating into the master as fast as the
// kernel takes it; the reader is either the bare loop or the whole receive
// path of an MDIChild1 (device read, display conversion, history, box, lights).

#include "benchutil.h"

#include "portwin/display.h"
#include "portwin/portwindow.h"
#include "portwin/widgets.h"
#include "serial/portmap.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <thread>

#include <poll.h>

namespace {

constexpr qsizetype kBlock = 64 * 1024; // a multiple of 256: the pattern repeats per block

QByteArray patternBlock() {
    QByteArray b(kBlock, Qt::Uninitialized);
    for (qsizetype i = 0; i < kBlock; ++i)
        b[i] = char(uchar(i & 0xFF));
    return b;
}

// Writes `total` bytes of the pattern into the blocking master.
void feed(int master, qint64 total, const QByteArray &block) {
    qint64 done = 0;
    while (done < total) {
        const qint64 off = done % kBlock;
        const size_t len = size_t(std::min<qint64>(kBlock - off, total - done));
        const ssize_t n = ::write(master, block.constData() + off, len);
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            std::perror("write master");
            return;
        }
    }
}

struct Result {
    double seconds = 0;
    double cpuThread = 0;  // the reading (UI) thread
    double cpuProcess = 0; // everything, the writer included
    bool ok = false;
};

Result bareLoop(qint64 total, const QByteArray &block) {
    bench::Pty pty(true);
    const int fd =
        ::open(pty.slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::perror("open slave");
        std::exit(2);
    }
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);

    Result r;
    std::vector<char> buf(64 * 1024);
    const double c0 = bench::cpuSeconds(RUSAGE_THREAD), p0 = bench::cpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    std::thread writer(feed, pty.master, total, std::cref(block));
    qint64 got = 0;
    uchar last = 0;
    while (got < total) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            break;
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n > 0) {
            got += n;
            last = uchar(buf[size_t(n - 1)]);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    r.seconds = clock.nsecsElapsed() / 1e9;
    r.cpuThread = bench::cpuSeconds(RUSAGE_THREAD) - c0;
    r.cpuProcess = bench::cpuSeconds(RUSAGE_SELF) - p0;
    writer.join();
    r.ok = got == total && last == uchar((total - 1) & 0xFF);
    ::close(fd);
    return r;
}

Result portWindow(qint64 total, const QByteArray &block, bench::StubHost &host, long *rssAfter,
                  bool *tailOk) {
    bench::Pty pty(true);
    PortMap::setCurrent({{1, pty.slave}});
    auto *w = new MDIChild1(&host);
    if (!w->OpenPort(1)) {
        std::fprintf(stderr, "OpenPort failed: %s\n", qPrintable(w->openError().message));
        std::exit(2);
    }
    w->resize(w->sizeHint());
    w->show();
    QCoreApplication::processEvents();

    auto *counter = new bench::RxCounter(w->comm(), w);
    QEventLoop loop;
    QObject::connect(w->comm(), &SerialComm::OnComm, counter, [&] {
        if (counter->total >= total)
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit); // a stuck run ends

    Result r;
    const double c0 = bench::cpuSeconds(RUSAGE_THREAD), p0 = bench::cpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    std::thread writer(feed, pty.master, total, std::cref(block));
    loop.exec();
    r.seconds = clock.nsecsElapsed() / 1e9;
    r.cpuThread = bench::cpuSeconds(RUSAGE_THREAD) - c0;
    r.cpuProcess = bench::cpuSeconds(RUSAGE_SELF) - p0;
    writer.join();
    QCoreApplication::processEvents(); // the last paint

    // The box shows the tail of the whole stream.
    QByteArray tailBytes;
    for (qint64 i = std::max<qint64>(0, total - 4096); i < total; ++i)
        tailBytes.append(char(uchar(i & 0xFF)));
    const QString expect = DisplayText::boxTail(
        DisplayText::tailDisplay(tailBytes, DisplayText::kHistoryLimit), w->state().nRxVisible);
    *tailOk = w->receiveBox()->text() == expect && !expect.isEmpty();
    r.ok = counter->total == total;
    *rssAfter = bench::rssKiB();
    delete w;
    QCoreApplication::processEvents();
    return r;
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = int(bench::argValue(argc, argv, "--runs", 5));
    const double mib = bench::argValue(argc, argv, "--mib", 32);
    const qint64 total = qint64(mib * 1024 * 1024);
    const QByteArray block = patternBlock();
    bench::StubHost host;

    std::printf(
        "bench_receive: %.0f MiB per transfer, %d runs (+1 warm-up), bare loop and port window "
        "alternating\n",
        mib, runs);
    std::vector<double> bare, win, ratio, bareCpu, winCpu, winCpuAll, rss;
    bool allOk = true;
    for (int i = 0; i <= runs; ++i) {
        const Result b = bareLoop(total, block);
        long rssKiB = 0;
        bool tailOk = false;
        const Result p = portWindow(total, block, host, &rssKiB, &tailOk);
        const bool ok = b.ok && p.ok && tailOk;
        allOk = allOk && ok;
        std::printf(
            "  run %d%s: bare %7.1f MiB/s  window %7.1f MiB/s  ratio %.3f  window cpu %.2f ms/MiB"
            "  rss %.1f MB%s\n",
            i, i == 0 ? " (warm-up)" : "", mib / b.seconds, mib / p.seconds, b.seconds / p.seconds,
            p.cpuThread * 1000 / mib, rssKiB / 1024.0, ok ? "" : "  DATA CHECK FAILED");
        if (i == 0)
            continue;
        bare.push_back(mib / b.seconds);
        win.push_back(mib / p.seconds);
        ratio.push_back(b.seconds / p.seconds);
        bareCpu.push_back(b.cpuThread * 1000 / mib);
        winCpu.push_back(p.cpuThread * 1000 / mib);
        winCpuAll.push_back(p.cpuProcess * 1000 / mib);
        rss.push_back(rssKiB / 1024.0);
    }
    std::printf("\n");
    bench::printStats("bare read loop", bare, "MiB/s");
    bench::printStats("port window", win, "MiB/s");
    bench::printStats("ratio window/bare (target >= 0.8)", ratio, "");
    bench::printStats("bare cpu (reader thread)", bareCpu, "ms/MiB");
    bench::printStats("window cpu (UI thread)", winCpu, "ms/MiB");
    bench::printStats("window cpu (process, with writer)", winCpuAll, "ms/MiB");
    bench::printStats("VmRSS after transfer (target <80)", rss, "MiB");
    const double r = bench::stats(ratio).median, m = bench::stats(rss).max;
    std::printf("targets: ratio %s, memory %s, data %s\n", r >= 0.8 ? "met" : "MISSED",
                m < 80 ? "met" : "MISSED", allOk ? "ok" : "FAILED");
    return allOk ? 0 : 1;
}
