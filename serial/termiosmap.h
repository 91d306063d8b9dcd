#pragma once

#include "serial/linesettings.h"

#include <termios.h>

// Line settings <-> termios, touching only speed, CSIZE, CSTOPB, PARENB, PARODD,
// CMSPAR and INPCK. 1.5 stop bits is CSTOPB with CS5; mark and space go through CMSPAR.
namespace TermiosMap {
bool speedCode(quint32 baud, speed_t *code);
quint32 speedBaud(speed_t code);
void apply(termios &t, const LineSettings &s, speed_t speed);
LineSettings read(const termios &t);
} // namespace TermiosMap
