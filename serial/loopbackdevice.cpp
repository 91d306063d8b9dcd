#include "serial/loopbackdevice.h"

#include "serial/portholder.h"
#include "serial/serialcomm.h"

#include <QMutex>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <unistd.h>

namespace {

constexpr int kMinTickMs = 10; // batch delivery; no timer per byte at high rates

QMutex &registryMutex() {
    static QMutex m;
    return m;
}

QSet<int> &openPorts() {
    static QSet<int> ports;
    return ports;
}

bool refuse(SerialError *err, SerialErrorKind kind, const QString &what) {
    if (err) {
        err->kind = kind;
        err->device = QLatin1String("loopback");
        err->message = what;
    }
    return false;
}

} // namespace

LoopbackDevice::LoopbackDevice(int port, SerialDeviceSink *sink, QObject *owner)
    : port_(port), sink_(sink), timer_(new QTimer(owner)) {
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] { deliver(); });
    clock_.start();
}

LoopbackDevice::~LoopbackDevice() {
    close();
    delete timer_;
}

qint64 LoopbackDevice::charTimeNs(const LineSettings &s) {
    // Counted in half bits so 1.5 stop bits stays exact.
    const qint64 halfBits =
        2 * (1 + s.ByteSize + (s.Parity != 0 ? 1 : 0)) + (s.StopBits == 0   ? 2
                                                          : s.StopBits == 1 ? 3
                                                                            : 4);
    return halfBits * 1000000000LL / (2LL * qMax<quint32>(s.BaudRate, 1));
}

bool LoopbackDevice::open(const LineSettings &settings, SerialError *err) {
    if (open_)
        return true;
    if (!isValidCombination(settings))
        return refuse(err, SerialErrorKind::Unsupported,
                      QStringLiteral("loopback: %1 cannot be used").arg(describeFraming(settings)));
    if (!isStandardRate(settings.BaudRate))
        return refuse(
            err, SerialErrorKind::Unsupported,
            QStringLiteral("loopback: %1 baud is not a standard rate").arg(settings.BaudRate));
    {
        QMutexLocker lock(&registryMutex());
        if (openPorts().contains(port_)) {
            if (err)
                err->holder = describeProcess(::getpid());
            return refuse(err, SerialErrorKind::Busy,
                          QStringLiteral("the loopback plug of COM%1 is already open").arg(port_));
        }
        openPorts().insert(port_);
    }
    open_ = true;
    settings_ = settings;
    dtr_ = true;
    rts_ = true;
    paused_ = false;
    wire_.clear();
    return true;
}

void LoopbackDevice::close() {
    if (!open_)
        return;
    timer_->stop();
    wire_.clear();
    open_ = false;
    QMutexLocker lock(&registryMutex());
    openPorts().remove(port_);
}

qsizetype LoopbackDevice::write(const QByteArray &bytes) {
    if (!open_)
        return 0;
    const qsizetype room = qMax<qsizetype>(0, SerialComm::kOutputQueueLimit - wire_.size());
    const qsizetype take = qMin(room, bytes.size());
    if (take == 0)
        return 0;
    if (wire_.isEmpty())
        headStart_ = clock_.nsecsElapsed();
    wire_.append(take == bytes.size() ? bytes : bytes.left(take));
    schedule();
    return take;
}

void LoopbackDevice::deliver() {
    if (!open_ || wire_.isEmpty() || paused_)
        return;
    const qint64 now = clock_.nsecsElapsed();
    const qint64 charNs = charTimeNs(settings_);
    const qint64 done = qMin<qint64>((now - headStart_) / charNs, wire_.size());
    if (done > 0) {
        headStart_ += done * charNs;
        const QByteArray bytes = wire_.take(done);
        sink_->deviceReceived(bytes.constData(), bytes.size());
    }
    schedule();
}

void LoopbackDevice::schedule() {
    if (!open_ || wire_.isEmpty() || paused_) {
        timer_->stop();
        return;
    }
    const qint64 due = headStart_ + charTimeNs(settings_) - clock_.nsecsElapsed();
    const int ms = int(qBound(qint64(kMinTickMs), (due + 999999) / 1000000, qint64(1000)));
    if (!timer_->isActive())
        timer_->start(ms);
}

void LoopbackDevice::setInputPaused(bool paused) {
    if (paused == paused_)
        return;
    paused_ = paused;
    if (!paused)
        headStart_ = clock_.nsecsElapsed(); // the line stood still meanwhile
    schedule();
}

bool LoopbackDevice::readSettings(LineSettings &out, SerialError *err) const {
    if (!open_)
        return refuse(err, SerialErrorKind::NotOpen, QStringLiteral("loopback is not open"));
    out = settings_;
    if (out.Parity == 0)
        out.fParity = false;
    return true;
}

bool LoopbackDevice::writeSettings(const LineSettings &in, SerialError *err) {
    if (!open_)
        return refuse(err, SerialErrorKind::NotOpen, QStringLiteral("loopback is not open"));
    if (!isValidCombination(in))
        return refuse(err, SerialErrorKind::Unsupported,
                      QStringLiteral("loopback: %1 cannot be used").arg(describeFraming(in)));
    if (!isStandardRate(in.BaudRate))
        return refuse(err, SerialErrorKind::Unsupported,
                      QStringLiteral("loopback: %1 baud is not a standard rate").arg(in.BaudRate));
    deliver(); // what finished at the old rate arrives first
    settings_ = in;
    if (!wire_.isEmpty())
        headStart_ = clock_.nsecsElapsed();
    timer_->stop();
    schedule();
    return true;
}

ModemLines LoopbackDevice::lines() const {
    ModemLines l;
    l.dtr = dtr_;
    l.rts = rts_;
    l.dsr = open_ && dtr_;
    l.cd = open_ && dtr_;
    l.cts = open_ && rts_;
    return l;
}

void LoopbackDevice::setDtr(bool on) {
    if (on == dtr_)
        return;
    dtr_ = on;
    if (open_) {
        sink_->deviceModemEvent(SerialComm::comEvDSR);
        sink_->deviceModemEvent(SerialComm::comEvCD);
    }
}

void LoopbackDevice::setRts(bool on) {
    if (on == rts_)
        return;
    rts_ = on;
    if (open_)
        sink_->deviceModemEvent(SerialComm::comEvCTS);
}
