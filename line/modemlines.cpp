#include "line/modemlines.h"

unsigned LineIndicators::tick(const ModemState &now) {
    unsigned changed = 0;
    for (ModemLine l : kTickOrder) {
        if (now[l] != last[l]) {
            last[l] = now[l];
            changed |= 1u << static_cast<int>(l);
        }
    }
    return changed;
}

bool lineForEvent(int commEvent, ModemLine *line) {
    ModemLine l;
    switch (commEvent) {
    case 3:
        l = ModemLine::CTS;
        break;
    case 4:
        l = ModemLine::DSR;
        break;
    case 5:
        l = ModemLine::DCD;
        break;
    default:
        return false;
    }
    if (line)
        *line = l;
    return true;
}
