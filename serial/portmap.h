#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Which device is COMn. QARVELO_PORTS="COM1=/dev/pts/7,COM2=loopback" maps COM
// numbers 1..32 explicitly; unset, the machine's serial devices are found in
// sysfs (console and phantom UARTs skipped) and numbered from COM1.
namespace PortMap {

inline constexpr auto kLoopback = "loopback";

// Parses the variable's text. Malformed entries are skipped and described in
// errors (one line each).
QMap<int, QString> parse(const QString &text, QStringList *errors);

// Scans <sysfsRoot>/class/tty: built-in UARTs first, then ttyUSB, ttyACM, rest.
QStringList detectDevices(const QString &sysfsRoot = QStringLiteral("/sys"));

// The map the program uses: QARVELO_PORTS when set, detection otherwise.
// Errors go to standard error once.
const QMap<int, QString> &current();
// Replace the program's map (tests, and the run script's loopback fallback).
void setCurrent(const QMap<int, QString> &map);
QString deviceFor(int port); // empty when COMport does not exist

} // namespace PortMap
