#include "portwin/activity.h"

void ActivityRow::step(qint64 k) {
    if (k <= 0)
        return;
    // One step is n := n mod 8 + 1 (0 counts as "before cell 1"), so k steps
    // land on ((n - 1 + k) mod 8) + 1.
    const qint64 from = (n >= 0 && n <= 8) ? n : 0;
    n = qint16(((from - 1 + k % 8 + 8) % 8) + 1);
}
