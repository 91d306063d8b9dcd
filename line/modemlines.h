#pragma once

#include <QtGlobal>

#include <array>

// The five lines a port window shows, in the order every tick handles them.
enum class ModemLine { DCD = 0, CTS = 1, DSR = 2, RTS = 3, DTR = 4 };
inline constexpr std::array<ModemLine, 5> kTickOrder = {ModemLine::DCD, ModemLine::CTS,
                                                        ModemLine::DSR, ModemLine::RTS,
                                                        ModemLine::DTR};

struct ModemState {
    std::array<bool, 5> on{}; // indexed by ModemLine
    bool &operator[](ModemLine l) { return on[static_cast<int>(l)]; }
    bool operator[](ModemLine l) const { return on[static_cast<int>(l)]; }
};

// The remembered (last painted) state, all True in a new window. A tick
// compares the lines read now with it, stores the changes and reports which
// lines must be repainted, in tick order.
struct LineIndicators {
    ModemState last{{true, true, true, true, true}};

    // Returns a bit per changed line (bit i = ModemLine i).
    unsigned tick(const ModemState &now);
    // A window whose port is not open shows all five inactive.
    unsigned showClosed() { return tick(ModemState{}); }
};

// Modem-change event code (3 CTS, 4 DSR, 5 CD) to its line; false for others.
bool lineForEvent(int commEvent, ModemLine *line);
