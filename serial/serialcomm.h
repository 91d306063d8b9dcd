#pragma once

#include "serial/linesettings.h"
#include "serial/serialerror.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class SerialDevice;

// The serial component a port window and the port selection dialog drive: the
// properties and the one OnComm event of a classic comm control, on Linux
// devices (termios ttys) and the built-in loopback plug.
//
// Promises:
// - Everything runs on the thread that owns the object; OnComm is delivered
//   through the Qt event loop, never from inside a property call.
// - setPortOpen(true) either opens the port exclusively or fails with the cause
//   and leaves portOpen() false.
// - Input() returns every byte received since the last call, none dropped.
// - Output() never blocks: bytes are queued (bounded by kOutputQueueLimit) and
//   drain as the line takes them; bytes past the bound are refused and counted.
// - A device that vanishes closes the port, releases descriptor and locks and
//   raises OnComm once with CommEvent() == comEvPortGone.
// - Destroying the component closes its port and releases every lock.
class SerialComm : public QObject {
    Q_OBJECT
public:
    // CommEvent codes.
    enum : int {
        comEvSend = 1,
        comEvReceive = 2,
        comEvCTS = 3,
        comEvDSR = 4,
        comEvCD = 5,
        comEvRing = 6,
        comEvPortGone = 1100 // the device vanished; the port is closed now
    };

    static constexpr qsizetype kOutputQueueLimit = 4 * 1024 * 1024;
    // Received bytes waiting for Input(): past this the device is not read until
    // Input() takes them (the kernel then holds or loses them, not this layer).
    static constexpr qsizetype kInputBufferLimit = 64 * 1024 * 1024;

    explicit SerialComm(QObject *parent = nullptr);
    ~SerialComm() override;

    // Set while closed. Port numbers resolve through the port map.
    bool setCommPort(int port, SerialError *err = nullptr);
    int CommPort() const;
    // "9600,n,8,1" / "9600,N,8,1": baud, parity letter (n o e m s), data bits,
    // stop bits (1, 1.5, 2). Malformed text fails and changes nothing.
    bool setSettings(const QString &settings, SerialError *err = nullptr);
    QString Settings() const;
    void setInputLen(int n);
    int InputLen() const;
    void setRThreshold(int n);
    int RThreshold() const;
    void setSThreshold(int n);
    int SThreshold() const;
    void setHandshaking(qint32 h); // only 0 (none) is supported
    qint32 Handshaking() const;

    // Opens with Settings applied, or closes. Opening fails with the cause.
    bool setPortOpen(bool open, SerialError *err = nullptr);
    bool PortOpen() const;

    QByteArray Input();                    // everything waiting (InputLen 0)
    qsizetype Output(const QByteArray &b); // bytes accepted; the rest refused
    qsizetype outputQueued() const;        // accepted, not yet taken by the line
    qsizetype inputWaiting() const;        // bytes Input() would return now
    quint64 outputRefused() const;         // bytes refused at the bound since open

    int CommEvent() const;

    bool CDHolding() const;
    bool CTSHolding() const;
    bool DSRHolding() const;
    bool DTREnable() const;
    void setDTREnable(bool on);
    bool RTSEnable() const;
    void setRTSEnable(bool on);
    // True when modem-line changes arrive as events (or cannot happen); false
    // when the device can only be polled.
    bool modemChangesNotified() const;

    qint32 CommID() const; // descriptor of the open tty, -1 when closed or loopback

    // Line settings of the open port, read back from the device.
    bool readLineSettings(LineSettings &out, SerialError *err = nullptr) const;
    // Writes the block, every other device setting untouched; reads back and
    // fails with the cause when the device runs anything else.
    bool writeLineSettings(const LineSettings &in, SerialError *err = nullptr);

    QString devicePath() const; // device behind CommPort, "loopback", or empty
    SerialError lastError() const;

Q_SIGNALS:
    void OnComm();

private:
    // implementation detail, owned by serial/
    struct Private;
    std::unique_ptr<Private> d;
};
