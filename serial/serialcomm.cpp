#include "serial/serialcomm.h"

#include "serial/loopbackdevice.h"
#include "serial/portmap.h"
#include "serial/serialdevice.h"
#include "serial/ttydevice.h"

#include <QPointer>

#include <deque>

struct SerialComm::Private final : SerialDeviceSink {
    explicit Private(SerialComm *owner) : q(owner) {}

    SerialComm *q;
    int commPort = 1;
    LineSettings settings; // 9600,n,8,1
    int inputLen = 0;
    int rThreshold = 0;
    int sThreshold = 0;
    qint32 handshaking = 0;
    std::unique_ptr<SerialDevice> dev;
    bool open = false;
    QString openPath;
    QByteArray rx;
    bool inputPaused = false;
    int commEvent = 0;
    std::deque<int> pending;
    bool dispatchPosted = false;
    quint64 refused = 0;
    bool dtr = true;
    bool rts = true;
    SerialError lastError;

    void post(int code) {
        for (int c : pending) {
            if (c == code)
                return; // one pending event per cause; the handler reads the present state
        }
        pending.push_back(code);
        if (!dispatchPosted) {
            dispatchPosted = true;
            QMetaObject::invokeMethod(
                q, [this] { dispatch(); }, Qt::QueuedConnection);
        }
    }

    void dispatch() {
        dispatchPosted = false;
        QPointer<SerialComm> guard(q);
        while (!pending.empty()) {
            const int code = pending.front();
            pending.pop_front();
            if (code == comEvReceive && (rThreshold <= 0 || rx.size() < rThreshold))
                continue; // already taken by an Input() call
            commEvent = code;
            Q_EMIT q->OnComm();
            if (!guard)
                return;
        }
    }

    void deviceReceived(const char *data, qsizetype size) override {
        rx.append(data, size);
        if (rx.size() >= kInputBufferLimit && !inputPaused) {
            inputPaused = true;
            dev->setInputPaused(true);
        }
        if (rThreshold > 0 && rx.size() >= rThreshold)
            post(comEvReceive);
    }

    void deviceModemEvent(int code) override { post(code); }

    void deviceGone(const SerialError &why) override {
        open = false;
        lastError = why;
        post(comEvPortGone);
        // Not deleted here: we are inside one of its callbacks.
        SerialDevice *dead = dev.get();
        QMetaObject::invokeMethod(
            q,
            [this, dead] {
                if (dev.get() == dead && !open)
                    dev.reset();
            },
            Qt::QueuedConnection);
    }

    bool setError(SerialError *err, SerialErrorKind kind, const QString &message, int e = 0) {
        SerialError x;
        x.kind = kind;
        x.sysErrno = e;
        x.device = q->devicePath();
        x.message = message;
        return setError(err, x);
    }
    bool setError(SerialError *err, const SerialError &x) {
        lastError = x;
        if (err)
            *err = x;
        return false;
    }
    void clearError(SerialError *err) {
        lastError = SerialError{};
        if (err)
            *err = SerialError{};
    }

    void closePort() {
        if (dev)
            dev->close();
        dev.reset();
        open = false;
        openPath.clear();
        inputPaused = false;
    }
};

SerialComm::SerialComm(QObject *parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

SerialComm::~SerialComm() {
    d->closePort();
}

bool SerialComm::setCommPort(int port, SerialError *err) {
    if (d->open)
        return d->setError(
            err, SerialErrorKind::InvalidArgument,
            QStringLiteral("COM%1 is open; close it before changing the port").arg(d->commPort));
    if (port < 1 || port > 32)
        return d->setError(
            err, SerialErrorKind::NoSuchPort,
            QStringLiteral("COM%1 does not exist (ports are COM1 to COM32)").arg(port));
    d->commPort = port;
    d->clearError(err);
    return true;
}

int SerialComm::CommPort() const {
    return d->commPort;
}

bool SerialComm::setSettings(const QString &settings, SerialError *err) {
    LineSettings s;
    QString why;
    if (!parseSettingsText(settings, &s, &why))
        return d->setError(err, SerialErrorKind::InvalidArgument, why);
    if (!isStandardRate(s.BaudRate))
        return d->setError(err, SerialErrorKind::Unsupported,
                           QStringLiteral("%1 baud is not a standard rate").arg(s.BaudRate));
    if (d->open && d->dev) {
        SerialError e;
        if (!d->dev->writeSettings(s, &e))
            return d->setError(err, e);
    }
    d->settings = s;
    d->clearError(err);
    return true;
}

QString SerialComm::Settings() const {
    return settingsText(d->settings);
}

void SerialComm::setInputLen(int n) {
    d->inputLen = qMax(0, n);
}

int SerialComm::InputLen() const {
    return d->inputLen;
}

void SerialComm::setRThreshold(int n) {
    d->rThreshold = qMax(0, n);
}

int SerialComm::RThreshold() const {
    return d->rThreshold;
}

void SerialComm::setSThreshold(int n) {
    d->sThreshold = qMax(0, n);
}

int SerialComm::SThreshold() const {
    return d->sThreshold;
}

void SerialComm::setHandshaking(qint32 h) {
    d->handshaking = h;
}

qint32 SerialComm::Handshaking() const {
    return d->handshaking;
}

bool SerialComm::setPortOpen(bool open, SerialError *err) {
    if (!open) {
        d->closePort();
        d->clearError(err);
        return true;
    }
    if (d->open) {
        d->clearError(err);
        return true;
    }
    d->closePort(); // a device left behind by a hang-up
    const QString path = PortMap::deviceFor(d->commPort);
    if (path.isEmpty())
        return d->setError(err, SerialErrorKind::NoSuchPort,
                           QStringLiteral("COM%1 does not exist").arg(d->commPort));
    if (d->handshaking != 0)
        return d->setError(
            err, SerialErrorKind::Unsupported,
            QStringLiteral("handshaking %1 is not supported; only none (0)").arg(d->handshaking));
    std::unique_ptr<SerialDevice> dev;
    if (path == QLatin1String(PortMap::kLoopback))
        dev = std::make_unique<LoopbackDevice>(d->commPort, d.get(), this);
    else
        dev = std::make_unique<TtyDevice>(path, d.get(), this);
    SerialError e;
    if (!dev->open(d->settings, &e)) {
        if (e.device.isEmpty())
            e.device = path;
        return d->setError(err, e);
    }
    d->dev = std::move(dev);
    d->open = true;
    d->openPath = path;
    d->rx.clear();
    d->pending.clear();
    d->refused = 0;
    const ModemLines l = d->dev->lines();
    d->dtr = l.dtr;
    d->rts = l.rts;
    d->clearError(err);
    return true;
}

bool SerialComm::PortOpen() const {
    return d->open;
}

QByteArray SerialComm::Input() {
    QByteArray out;
    if (d->inputLen > 0 && d->rx.size() > d->inputLen) {
        out = d->rx.left(d->inputLen);
        d->rx.remove(0, d->inputLen);
    } else {
        out.swap(d->rx);
    }
    if (d->inputPaused && d->rx.size() < kInputBufferLimit) {
        d->inputPaused = false;
        if (d->dev && d->open)
            d->dev->setInputPaused(false);
    }
    return out;
}

qsizetype SerialComm::Output(const QByteArray &b) {
    if (!d->open || !d->dev) {
        d->setError(nullptr, SerialErrorKind::NotOpen, QStringLiteral("the port is not open"));
        return 0;
    }
    const qsizetype taken = d->dev->write(b);
    if (taken < b.size()) {
        d->refused += quint64(b.size() - taken);
        d->setError(nullptr, SerialErrorKind::QueueFull,
                    QStringLiteral("output queue full: %1 of %2 bytes refused")
                        .arg(b.size() - taken)
                        .arg(b.size()));
    }
    return taken;
}

qsizetype SerialComm::outputQueued() const {
    return d->open && d->dev ? d->dev->queued() : 0;
}

qsizetype SerialComm::inputWaiting() const {
    return d->rx.size();
}

quint64 SerialComm::outputRefused() const {
    return d->refused;
}

int SerialComm::CommEvent() const {
    return d->commEvent;
}

bool SerialComm::CDHolding() const {
    return d->open && d->dev && d->dev->lines().cd;
}

bool SerialComm::CTSHolding() const {
    return d->open && d->dev && d->dev->lines().cts;
}

bool SerialComm::DSRHolding() const {
    return d->open && d->dev && d->dev->lines().dsr;
}

bool SerialComm::DTREnable() const {
    return d->dtr;
}

void SerialComm::setDTREnable(bool on) {
    if (d->open && d->dev) {
        d->dev->setDtr(on);
        d->dtr = d->dev->lines().dtr;
    } else {
        d->dtr = on;
    }
}

bool SerialComm::RTSEnable() const {
    return d->rts;
}

void SerialComm::setRTSEnable(bool on) {
    if (d->open && d->dev) {
        d->dev->setRts(on);
        d->rts = d->dev->lines().rts;
    } else {
        d->rts = on;
    }
}

bool SerialComm::modemChangesNotified() const {
    return !(d->open && d->dev) || d->dev->modemChangesNotified();
}

qint32 SerialComm::CommID() const {
    return d->open && d->dev ? d->dev->handle() : -1;
}

bool SerialComm::readLineSettings(LineSettings &out, SerialError *err) const {
    if (!d->open || !d->dev) {
        if (err) {
            *err = SerialError{};
            err->kind = SerialErrorKind::NotOpen;
            err->device = devicePath();
            err->message = QStringLiteral("COM%1 is not open").arg(d->commPort);
        }
        return false;
    }
    return d->dev->readSettings(out, err);
}

bool SerialComm::writeLineSettings(const LineSettings &in, SerialError *err) {
    if (!d->open || !d->dev)
        return d->setError(err, SerialErrorKind::NotOpen,
                           QStringLiteral("COM%1 is not open").arg(d->commPort));
    SerialError e;
    if (!d->dev->writeSettings(in, &e)) {
        if (e.device.isEmpty())
            e.device = devicePath();
        return d->setError(err, e);
    }
    LineSettings now;
    if (d->dev->readSettings(now, nullptr))
        d->settings = now;
    d->clearError(err);
    return true;
}

QString SerialComm::devicePath() const {
    return d->open ? d->openPath : PortMap::deviceFor(d->commPort);
}

SerialError SerialComm::lastError() const {
    return d->lastError;
}
