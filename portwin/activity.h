#pragma once

#include <QtGlobal>

// One row of eight activity cells. `n` is the lit cell (1..8), 0 before the
// first step. Exactly cell n is lit (none while n is 0).
struct ActivityRow {
    qint16 n = 0;

    // k single steps at once: the position is arithmetic, the final look is
    // the same as stepping one character at a time.
    void step(qint64 k = 1);
    void restart() { n = 1; }
    bool isLit(int cell) const { return n == cell; }
};
