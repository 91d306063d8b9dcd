#pragma once

#include "serial/portlock.h"
#include "serial/serialdevice.h"

#include <QString>

#include <memory>
#include <termios.h>
#include <thread>

class QObject;
class QSocketNotifier;
struct ModemWatch;

// A POSIX termios device: exclusive (flock, TIOCEXCL, UUCP lock file), raw 8-bit,
// CLOCAL, no flow control, non-blocking reads and writes through socket notifiers,
// and a helper thread that waits in TIOCMIWAIT and posts modem changes back.
class TtyDevice final : public SerialDevice {
public:
    TtyDevice(const QString &path, SerialDeviceSink *sink, QObject *owner);
    ~TtyDevice() override;

    bool open(const LineSettings &settings, SerialError *err) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }
    qsizetype write(const QByteArray &bytes) override;
    qsizetype queued() const override;
    bool readSettings(LineSettings &out, SerialError *err) const override;
    bool writeSettings(const LineSettings &in, SerialError *err) override;
    ModemLines lines() const override;
    void setDtr(bool on) override;
    void setRts(bool on) override;
    bool modemChangesNotified() const override;
    int handle() const override { return fd_; }
    void setInputPaused(bool paused) override;

private:
    void onReadable();
    void onWritable();
    void onModemPoke();
    void vanish(int err, const char *what);
    bool setLine(int bit, bool on);
    void startModemWatch();
    void stopModemWatch();
    bool fail(SerialError *err, SerialErrorKind kind, int sysErrno, const QString &what) const;

    QString path_;
    SerialDeviceSink *sink_;
    QObject *ctx_; // parent of the notifiers; deleted with the device
    int fd_ = -1;
    termios original_{};
    bool haveOriginal_ = false;
    UucpLock lock_;
    QSocketNotifier *readNotifier_ = nullptr;
    QSocketNotifier *writeNotifier_ = nullptr;
    bool inputPaused_ = false;
    ByteQueue out_;
    std::unique_ptr<char[]> readBuf_;
    bool noModemControl_ = false;
    bool dtr_ = true;
    bool rts_ = true;
    bool icountWorks_ = false;
    int lastBits_ = 0;
    int lastCts_ = 0, lastDsr_ = 0, lastDcd_ = 0;
    std::shared_ptr<ModemWatch> watch_;
    std::thread watchThread_;
};
