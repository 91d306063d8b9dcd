#pragma once

#include <QString>

// Why a serial operation failed. Errors are values here; only the UI decides
// whether a person sees them.
enum class SerialErrorKind {
    None,
    NoSuchPort,       // COM number not in the port map
    NotFound,         // device path does not exist (ENOENT, ENODEV, ENXIO)
    Busy,             // held by this or another program (EBUSY, lock, TIOCEXCL)
    PermissionDenied, // EACCES, EPERM
    NotATty,          // path is not a terminal device
    InvalidArgument,  // malformed Settings text, value out of range
    Unsupported,      // the device refused a setting (read-back mismatch, EINVAL)
    NotOpen,          // operation needs an open port
    Gone,             // device vanished while open (hang-up, EIO)
    QueueFull,        // output refused at the queue bound
    Io                // any other system error
};

struct SerialError {
    SerialErrorKind kind = SerialErrorKind::None;
    int sysErrno = 0; // errno behind it, 0 when none
    QString device;   // device path or "loopback"
    QString message;  // one line, for people: what failed and why
    QString holder;   // Busy: the program holding the port ("picocom (pid 123)"), when found

    explicit operator bool() const { return kind != SerialErrorKind::None; }
};
