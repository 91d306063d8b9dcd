#pragma once

#include "serial/serialdevice.h"

#include <QElapsedTimer>

class QObject;
class QTimer;

// The built-in loopback plug: what is written comes back as received, paced at the
// configured line rate; DTR is wired to DSR and DCD, RTS to CTS. One component per
// COM number at a time, across the whole program.
class LoopbackDevice final : public SerialDevice {
public:
    LoopbackDevice(int port, SerialDeviceSink *sink, QObject *owner);
    ~LoopbackDevice() override;

    bool open(const LineSettings &settings, SerialError *err) override;
    void close() override;
    bool isOpen() const override { return open_; }
    qsizetype write(const QByteArray &bytes) override;
    qsizetype queued() const override { return wire_.size(); }
    bool readSettings(LineSettings &out, SerialError *err) const override;
    bool writeSettings(const LineSettings &in, SerialError *err) override;
    ModemLines lines() const override;
    void setDtr(bool on) override;
    void setRts(bool on) override;
    bool modemChangesNotified() const override { return true; }
    int handle() const override { return -1; }
    void setInputPaused(bool paused) override;

    // Nanoseconds one character takes on the line: start, data, parity, stop bits.
    static qint64 charTimeNs(const LineSettings &s);

private:
    void deliver();
    void schedule();

    int port_;
    SerialDeviceSink *sink_;
    QTimer *timer_;
    bool open_ = false;
    bool paused_ = false;
    LineSettings settings_;
    ByteQueue wire_;       // written, not yet through the plug
    qint64 headStart_ = 0; // when the head byte started on the wire
    QElapsedTimer clock_;
    bool dtr_ = true;
    bool rts_ = true;
};
