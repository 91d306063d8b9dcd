#include "serial/ttydevice.h"

#include "serial/portholder.h"
#include "serial/serialcomm.h"
#include "serial/termiosmap.h"

#include <QFile>
#include <QMutex>
#include <QObject>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <linux/serial.h>
#include <mutex>
#include <pthread.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

// Shared between the device and its helper thread.
struct ModemWatch {
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> unsupported{false};
    QMutex mutex; // guards target
    QObject *target = nullptr;
    std::function<void()> poke; // runs on the target's thread
};

namespace {

constexpr int kReadChunk = 64 * 1024;
constexpr int kReadsPerWakeup = 16; // then let the event loop breathe
constexpr int kENOIOCTLCMD = 515;   // kernel-internal, seen from some drivers

bool noSuchIoctl(int e) {
    return e == ENOTTY || e == EINVAL || e == kENOIOCTLCMD;
}

bool isGoneErrno(int e) {
    return e == EIO || e == ENXIO || e == ENODEV || e == EBADF;
}

int wakeSignal() {
    return SIGRTMIN + 5;
}

void noopHandler(int) {}

void installWakeHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa {};
        sa.sa_handler = noopHandler;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0; // no SA_RESTART: the waiting ioctl must return EINTR
        ::sigaction(wakeSignal(), &sa, nullptr);
    });
}

QString sysText(int e) {
    return QString::fromLocal8Bit(std::strerror(e));
}

SerialErrorKind kindForOpenErrno(int e) {
    switch (e) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return SerialErrorKind::NotFound;
    case EBUSY:
    case EWOULDBLOCK:
        return SerialErrorKind::Busy;
    case EACCES:
    case EPERM:
    case EROFS:
        return SerialErrorKind::PermissionDenied;
    default:
        return SerialErrorKind::Io;
    }
}

void watchLoop(int fd, std::shared_ptr<ModemWatch> w) {
    sigset_t set;
    sigfillset(&set);
    sigdelset(&set, wakeSignal());
    pthread_sigmask(SIG_SETMASK, &set, nullptr);
    auto post = [&w] {
        QMutexLocker lock(&w->mutex);
        if (w->target)
            QMetaObject::invokeMethod(w->target, w->poke, Qt::QueuedConnection);
    };
    while (!w->stop.load()) {
        const int r = ::ioctl(fd, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG);
        const int e = errno;
        if (w->stop.load())
            break;
        if (r == 0) {
            post();
            continue;
        }
        if (e == EINTR)
            continue;
        if (noSuchIoctl(e))
            w->unsupported.store(true);
        post(); // the device is gone or cannot wait: the owner looks and decides
        break;
    }
    ::close(fd);
    w->finished.store(true);
}

} // namespace

TtyDevice::TtyDevice(const QString &path, SerialDeviceSink *sink, QObject *owner)
    : path_(path), sink_(sink), ctx_(new QObject(owner)) {}

TtyDevice::~TtyDevice() {
    close();
    delete ctx_;
}

bool TtyDevice::fail(SerialError *err, SerialErrorKind kind, int sysErrno,
                     const QString &what) const {
    if (err) {
        err->kind = kind;
        err->sysErrno = sysErrno;
        err->device = path_;
        err->message = what;
        if (kind == SerialErrorKind::Busy && err->holder.isEmpty())
            err->holder = findPortHolder(path_);
    }
    return false;
}

bool TtyDevice::open(const LineSettings &settings, SerialError *err) {
    close();
    if (err)
        *err = SerialError{};
    speed_t speed{};
    if (!isValidCombination(settings))
        return fail(err, SerialErrorKind::Unsupported, 0,
                    QStringLiteral("%1: %2 cannot be used").arg(path_, describeFraming(settings)));
    if (!TermiosMap::speedCode(settings.BaudRate, &speed))
        return fail(
            err, SerialErrorKind::Unsupported, 0,
            QStringLiteral("%1: %2 baud is not a standard rate").arg(path_).arg(settings.BaudRate));

    const QByteArray native = QFile::encodeName(path_);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        const int e = errno;
        return fail(err, kindForOpenErrno(e), e, QStringLiteral("%1: %2").arg(path_, sysText(e)));
    }
    if (!lock_.acquire(path_, err)) {
        if (err)
            err->device = path_;
        return false;
    }
    // Opens the device; on failure releases the lock and says why.
    auto openDevice = [&](int *out) {
        do {
            *out = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        } while (*out < 0 && errno == EINTR);
        if (*out >= 0)
            return true;
        const int e = errno;
        lock_.release();
        return fail(err, kindForOpenErrno(e), e, QStringLiteral("%1: %2").arg(path_, sysText(e)));
    };
    int fd = -1;
    if (!openDevice(&fd))
        return false;
    auto giveUp = [&](SerialErrorKind kind, int e, const QString &what) {
        ::close(fd);
        lock_.release();
        return fail(err, kind, e, what);
    };
    if (!::isatty(fd))
        return giveUp(SerialErrorKind::NotATty, ENOTTY,
                      QStringLiteral("%1 is not a terminal device").arg(path_));
    // TIOCEXCL does not keep root out, so look before claiming.
    // The flag outlives its setter while anything (a pty master) keeps the tty alive:
    // only someone who still has the device open makes it busy.
    int excl = 0;
    if (::ioctl(fd, TIOCGEXCL, &excl) == 0 && excl) {
        ::close(fd);
        const QString holder = findPortHolder(path_);
        if (!holder.isEmpty()) {
            lock_.release();
            if (err)
                err->holder = holder;
            return fail(err, SerialErrorKind::Busy, EBUSY,
                        QStringLiteral("%1 is in exclusive use by %2").arg(path_, holder));
        }
        if (!openDevice(&fd))
            return false;
        ::ioctl(fd, TIOCNXCL);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e == EWOULDBLOCK)
            return giveUp(SerialErrorKind::Busy, EBUSY,
                          QStringLiteral("%1 is in use by another program").arg(path_));
        return giveUp(SerialErrorKind::Io, e,
                      QStringLiteral("%1: lock: %2").arg(path_, sysText(e)));
    }
    termios original{};
    if (::tcgetattr(fd, &original) != 0) {
        const int e = errno;
        return giveUp(SerialErrorKind::Io, e, QStringLiteral("%1: %2").arg(path_, sysText(e)));
    }
    ::ioctl(fd, TIOCEXCL);

    termios t = original;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~tcflag_t(CRTSCTS);
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    // VMIN 1 with O_NONBLOCK: no data is EAGAIN, and a read of 0 really means gone.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    TermiosMap::apply(t, settings, speed);
    termios back{};
    if (::tcsetattr(fd, TCSANOW, &t) != 0 || ::tcgetattr(fd, &back) != 0) {
        const int e = errno;
        ::tcsetattr(fd, TCSANOW, &original);
        ::ioctl(fd, TIOCNXCL);
        return giveUp(
            SerialErrorKind::Unsupported, e,
            QStringLiteral("%1: cannot set %2: %3").arg(path_, settingsText(settings), sysText(e)));
    }
    // tcsetattr reports success when any part applied.
    if (TermiosMap::read(back) != TermiosMap::read(t) ||
        (back.c_cflag & (CLOCAL | CREAD | CRTSCTS)) != (t.c_cflag & (CLOCAL | CREAD | CRTSCTS))) {
        ::tcsetattr(fd, TCSANOW, &original);
        ::ioctl(fd, TIOCNXCL);
        return giveUp(
            SerialErrorKind::Unsupported, 0,
            QStringLiteral("%1 does not take %2 (runs %3)")
                .arg(path_, settingsText(settings), settingsText(TermiosMap::read(back))));
    }

    fd_ = fd;
    original_ = original;
    haveOriginal_ = true;
    readBuf_.reset(new char[kReadChunk]);
    inputPaused_ = false;

    int bits = 0;
    if (::ioctl(fd_, TIOCMGET, &bits) == 0) {
        noModemControl_ = false;
        lastBits_ = bits;
        dtr_ = bits & TIOCM_DTR;
        rts_ = bits & TIOCM_RTS;
        serial_icounter_struct ic{};
        icountWorks_ = ::ioctl(fd_, TIOCGICOUNT, &ic) == 0;
        lastCts_ = ic.cts;
        lastDsr_ = ic.dsr;
        lastDcd_ = ic.dcd;
        if (icountWorks_)
            startModemWatch();
    } else {
        // A pseudo-terminal: no modem lines; DTR and RTS are what was last set.
        noModemControl_ = true;
        dtr_ = true;
        rts_ = true;
    }

    readNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, ctx_);
    QObject::connect(readNotifier_, &QSocketNotifier::activated, ctx_, [this] { onReadable(); });
    writeNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, ctx_);
    writeNotifier_->setEnabled(false);
    QObject::connect(writeNotifier_, &QSocketNotifier::activated, ctx_, [this] { onWritable(); });
    return true;
}

void TtyDevice::close() {
    // Notifiers first, so nothing polls the descriptor again.
    for (QSocketNotifier **n : {&readNotifier_, &writeNotifier_}) {
        if (*n) {
            (*n)->setEnabled(false);
            (*n)->deleteLater(); // may be inside its own activation
            *n = nullptr;
        }
    }
    stopModemWatch();
    if (fd_ >= 0) {
        // Closing a tty waits for pending output; drop it unless it is gone in a blink.
        int pending = 0;
        bool flush = !out_.isEmpty();
        if (::ioctl(fd_, TIOCOUTQ, &pending) == 0 && pending > 0 && haveOriginal_) {
            termios t{};
            const LineSettings s = ::tcgetattr(fd_, &t) == 0 ? TermiosMap::read(t) : LineSettings{};
            const double seconds = double(pending) * 12.0 / double(qMax<quint32>(s.BaudRate, 50));
            flush = flush || seconds > 0.05;
        }
        if (flush)
            ::tcflush(fd_, TCOFLUSH);
        if (haveOriginal_)
            ::tcsetattr(fd_, TCSANOW, &original_);
        ::ioctl(fd_, TIOCNXCL);
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
    haveOriginal_ = false;
    out_.clear();
    lock_.release();
}

void TtyDevice::vanish(int e, const char *what) {
    if (fd_ < 0)
        return;
    haveOriginal_ = false; // nothing to restore on a dead device
    close();
    SerialError why;
    why.kind = SerialErrorKind::Gone;
    why.sysErrno = e;
    why.device = path_;
    why.message =
        e ? QStringLiteral("%1 vanished (%2: %3)").arg(path_, QLatin1String(what), sysText(e))
          : QStringLiteral("%1 vanished (%2)").arg(path_, QLatin1String(what));
    sink_->deviceGone(why);
}

void TtyDevice::onReadable() {
    for (int i = 0; i < kReadsPerWakeup && fd_ >= 0 && !inputPaused_; ++i) {
        const ssize_t n = ::read(fd_, readBuf_.get(), kReadChunk);
        if (n > 0) {
            sink_->deviceReceived(readBuf_.get(), n);
            continue;
        }
        if (n == 0)
            return vanish(0, "end of file");
        const int e = errno;
        if (e == EINTR)
            continue;
        if (e == EAGAIN)
            return;
        return vanish(e, "read");
    }
}

void TtyDevice::onWritable() {
    while (fd_ >= 0 && !out_.isEmpty()) {
        const ssize_t n = ::write(fd_, out_.head(), size_t(out_.headSize()));
        if (n > 0) {
            out_.consume(n);
            continue;
        }
        const int e = errno;
        if (n < 0 && e == EINTR)
            continue;
        if (n < 0 && e == EAGAIN)
            break;
        return vanish(n < 0 ? e : 0, "write");
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(!out_.isEmpty());
}

qsizetype TtyDevice::write(const QByteArray &bytes) {
    if (fd_ < 0)
        return 0;
    const qsizetype room = qMax<qsizetype>(0, SerialComm::kOutputQueueLimit - out_.size());
    const qsizetype take = qMin(room, bytes.size());
    if (take == 0)
        return 0;
    out_.append(take == bytes.size() ? bytes : bytes.left(take));
    writeNotifier_->setEnabled(true);
    return take;
}

qsizetype TtyDevice::queued() const {
    if (fd_ < 0)
        return 0;
    int driver = 0;
    if (::ioctl(fd_, TIOCOUTQ, &driver) != 0 || driver < 0)
        driver = 0;
    return out_.size() + driver;
}

bool TtyDevice::readSettings(LineSettings &out, SerialError *err) const {
    termios t{};
    if (fd_ < 0)
        return fail(err, SerialErrorKind::NotOpen, 0, QStringLiteral("%1 is not open").arg(path_));
    if (::tcgetattr(fd_, &t) != 0) {
        const int e = errno;
        return fail(err, SerialErrorKind::Io, e, QStringLiteral("%1: %2").arg(path_, sysText(e)));
    }
    out = TermiosMap::read(t);
    return true;
}

bool TtyDevice::writeSettings(const LineSettings &in, SerialError *err) {
    if (fd_ < 0)
        return fail(err, SerialErrorKind::NotOpen, 0, QStringLiteral("%1 is not open").arg(path_));
    if (!isValidCombination(in))
        return fail(err, SerialErrorKind::Unsupported, 0,
                    QStringLiteral("%1: %2 cannot be used").arg(path_, describeFraming(in)));
    speed_t speed{};
    if (!TermiosMap::speedCode(in.BaudRate, &speed))
        return fail(
            err, SerialErrorKind::Unsupported, 0,
            QStringLiteral("%1: %2 baud is not a standard rate").arg(path_).arg(in.BaudRate));
    termios before{};
    if (::tcgetattr(fd_, &before) != 0) {
        const int e = errno;
        return fail(err, SerialErrorKind::Io, e, QStringLiteral("%1: %2").arg(path_, sysText(e)));
    }
    termios t = before;
    TermiosMap::apply(t, in, speed);
    termios back{};
    if (::tcsetattr(fd_, TCSANOW, &t) != 0 || ::tcgetattr(fd_, &back) != 0) {
        const int e = errno;
        ::tcsetattr(fd_, TCSANOW, &before);
        return fail(
            err, SerialErrorKind::Unsupported, e,
            QStringLiteral("%1: cannot set %2: %3").arg(path_, settingsText(in), sysText(e)));
    }
    if (TermiosMap::read(back) != TermiosMap::read(t)) {
        ::tcsetattr(fd_, TCSANOW, &before);
        return fail(err, SerialErrorKind::Unsupported, 0,
                    QStringLiteral("%1 does not take %2 (runs %3)")
                        .arg(path_, settingsText(in), settingsText(TermiosMap::read(back))));
    }
    return true;
}

ModemLines TtyDevice::lines() const {
    ModemLines l;
    l.dtr = dtr_;
    l.rts = rts_;
    if (fd_ < 0 || noModemControl_)
        return l;
    int bits = 0;
    if (::ioctl(fd_, TIOCMGET, &bits) == 0) {
        l.cd = bits & TIOCM_CD;
        l.cts = bits & TIOCM_CTS;
        l.dsr = bits & TIOCM_DSR;
    }
    return l;
}

bool TtyDevice::setLine(int bit, bool on) {
    if (fd_ < 0 || noModemControl_)
        return true;
    if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0)
        return true;
    if (noSuchIoctl(errno)) {
        noModemControl_ = true;
        return true;
    }
    return false;
}

void TtyDevice::setDtr(bool on) {
    if (setLine(TIOCM_DTR, on))
        dtr_ = on;
}

void TtyDevice::setRts(bool on) {
    if (setLine(TIOCM_RTS, on))
        rts_ = on;
}

bool TtyDevice::modemChangesNotified() const {
    if (noModemControl_)
        return true; // lines that cannot change need no polling
    return icountWorks_ && watch_ && !watch_->unsupported.load();
}

void TtyDevice::setInputPaused(bool paused) {
    inputPaused_ = paused;
    if (readNotifier_)
        readNotifier_->setEnabled(!paused);
    if (!paused && fd_ >= 0)
        QMetaObject::invokeMethod(
            ctx_, [this] { onReadable(); }, Qt::QueuedConnection);
}

void TtyDevice::onModemPoke() {
    if (fd_ < 0)
        return;
    if (watch_ && watch_->finished.load() && !watch_->unsupported.load()) {
        // The wait ended with an error: see whether the device is still there.
        int bits = 0;
        if (::ioctl(fd_, TIOCMGET, &bits) != 0 && isGoneErrno(errno))
            return vanish(errno, "modem status");
    }
    bool cts = false, dsr = false, dcd = false;
    serial_icounter_struct ic{};
    int bits = 0;
    const bool haveBits = ::ioctl(fd_, TIOCMGET, &bits) == 0;
    if (icountWorks_ && ::ioctl(fd_, TIOCGICOUNT, &ic) == 0) {
        cts = ic.cts != lastCts_;
        dsr = ic.dsr != lastDsr_;
        dcd = ic.dcd != lastDcd_;
        lastCts_ = ic.cts;
        lastDsr_ = ic.dsr;
        lastDcd_ = ic.dcd;
    }
    if (haveBits) {
        const int changed = bits ^ lastBits_;
        cts = cts || (changed & TIOCM_CTS);
        dsr = dsr || (changed & TIOCM_DSR);
        dcd = dcd || (changed & TIOCM_CD);
        lastBits_ = bits;
    }
    if (cts)
        sink_->deviceModemEvent(SerialComm::comEvCTS);
    if (dsr)
        sink_->deviceModemEvent(SerialComm::comEvDSR);
    if (dcd)
        sink_->deviceModemEvent(SerialComm::comEvCD);
}

void TtyDevice::startModemWatch() {
    const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0); // the thread owns its own descriptor
    if (fd < 0)
        return;
    installWakeHandler();
    watch_ = std::make_shared<ModemWatch>();
    watch_->target = ctx_;
    watch_->poke = [this] { onModemPoke(); };
    watchThread_ = std::thread(watchLoop, fd, watch_);
}

void TtyDevice::stopModemWatch() {
    if (!watch_)
        return;
    {
        QMutexLocker lock(&watch_->mutex);
        watch_->target = nullptr;
    }
    watch_->stop.store(true);
    // The signal may land just before the ioctl starts waiting: repeat until it is out.
    const pthread_t tid = watchThread_.native_handle();
    for (int i = 0; i < 2000 && !watch_->finished.load(); ++i) {
        pthread_kill(tid, wakeSignal());
        timespec ts{0, 1000 * 1000};
        ::nanosleep(&ts, nullptr);
    }
    if (watch_->finished.load())
        watchThread_.join();
    else
        watchThread_.detach(); // a driver that ignores signals; it closes its own descriptor
    watch_.reset();
}

namespace {

struct SpeedEntry {
    quint32 baud;
    speed_t code;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000}};

} // namespace

bool TermiosMap::speedCode(quint32 baud, speed_t *code) {
    for (const auto &e : kSpeeds) {
        if (e.baud == baud) {
            *code = e.code;
            return true;
        }
    }
    return false;
}

quint32 TermiosMap::speedBaud(speed_t code) {
    for (const auto &e : kSpeeds) {
        if (e.code == code)
            return e.baud;
    }
    return 0;
}

void TermiosMap::apply(termios &t, const LineSettings &s, speed_t speed) {
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cflag &= ~tcflag_t(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[s.ByteSize - 5];
    if (s.StopBits != 0)
        t.c_cflag |= CSTOPB; // with CS5 the UART sends 1.5 stop bits
    switch (s.Parity) {
    case 1:
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        t.c_cflag |= PARENB;
        break;
    case 3:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (s.Parity != 0 && s.fParity)
        t.c_iflag |= INPCK;
    else
        t.c_iflag &= ~tcflag_t(INPCK);
}

LineSettings TermiosMap::read(const termios &t) {
    LineSettings s;
    s.BaudRate = speedBaud(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5:
        s.ByteSize = 5;
        break;
    case CS6:
        s.ByteSize = 6;
        break;
    case CS7:
        s.ByteSize = 7;
        break;
    default:
        s.ByteSize = 8;
        break;
    }
    if (t.c_cflag & CSTOPB)
        s.StopBits = s.ByteSize == 5 ? 1 : 2;
    else
        s.StopBits = 0;
    if (t.c_cflag & PARENB) {
        const bool odd = t.c_cflag & PARODD;
        if (t.c_cflag & CMSPAR)
            s.Parity = odd ? 3 : 4;
        else
            s.Parity = odd ? 1 : 2;
        s.fParity = t.c_iflag & INPCK;
    }
    return s;
}
