#pragma once

#include "serial/serialerror.h"

#include <QString>

// What a person needs to know when a port will not open: which port, which
// device, why, and what to do about it where that is known.
QString describeOpenFailure(const QString &portName, const SerialError &err);

// The group that owns a device file ("dialout" on most systems), or empty.
QString deviceGroup(const QString &devicePath);
