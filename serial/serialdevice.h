#pragma once

#include "serial/linesettings.h"
#include "serial/serialerror.h"

#include <QByteArray>

#include <deque>

// What a device reports back to the component that owns it. Called on the owning
// thread only, from notifiers and timers (never from inside a device call made by
// the component, except deviceGone on a failed write).
class SerialDeviceSink {
public:
    virtual ~SerialDeviceSink() = default;
    virtual void deviceReceived(const char *data, qsizetype size) = 0;
    virtual void deviceModemEvent(int commEvent) = 0;
    // The device has vanished and released descriptor and locks already.
    virtual void deviceGone(const SerialError &why) = 0;
};

struct ModemLines {
    bool cd = false;
    bool cts = false;
    bool dsr = false;
    bool dtr = false;
    bool rts = false;
};

// One open port behind the component: a termios tty or the loopback plug.
class SerialDevice {
public:
    virtual ~SerialDevice() = default;
    virtual bool open(const LineSettings &settings, SerialError *err) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Queues what fits under the bound; returns how many bytes were taken.
    virtual qsizetype write(const QByteArray &bytes) = 0;
    virtual qsizetype queued() const = 0;
    virtual bool readSettings(LineSettings &out, SerialError *err) const = 0;
    virtual bool writeSettings(const LineSettings &in, SerialError *err) = 0;
    virtual ModemLines lines() const = 0;
    virtual void setDtr(bool on) = 0;
    virtual void setRts(bool on) = 0;
    virtual bool modemChangesNotified() const = 0;
    virtual int handle() const = 0;
    // Stop taking input while the component's buffer is full.
    virtual void setInputPaused(bool paused) = 0;
};

// FIFO of byte chunks: appends share the caller's buffer, no copy for big writes.
class ByteQueue {
public:
    void append(const QByteArray &b) {
        if (b.isEmpty())
            return;
        if (!chunks_.empty() && chunks_.back().size() < 4096 && b.size() < 4096)
            chunks_.back().append(b);
        else
            chunks_.push_back(b);
        size_ += b.size();
    }
    qsizetype size() const { return size_; }
    bool isEmpty() const { return size_ == 0; }
    // Contiguous bytes at the head.
    const char *head() const { return chunks_.front().constData() + offset_; }
    qsizetype headSize() const { return chunks_.front().size() - offset_; }
    void consume(qsizetype n) {
        size_ -= n;
        while (n > 0) {
            const qsizetype h = headSize();
            if (n < h) {
                offset_ += n;
                return;
            }
            n -= h;
            chunks_.pop_front();
            offset_ = 0;
        }
    }
    QByteArray take(qsizetype n) {
        QByteArray out;
        out.reserve(n);
        while (n > 0 && !isEmpty()) {
            const qsizetype k = std::min(n, headSize());
            out.append(head(), k);
            consume(k);
            n -= k;
        }
        return out;
    }
    void clear() {
        chunks_.clear();
        offset_ = 0;
        size_ = 0;
    }

private:
    std::deque<QByteArray> chunks_;
    qsizetype offset_ = 0;
    qsizetype size_ = 0;
};
