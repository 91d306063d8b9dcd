#!/bin/sh
# Builds Kelvo Qarvelo and starts it.
# With no serial device on the machine and QARVELO_PORTS unset, COM1 is the
# built-in loopback plug, so there is always something to type into.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQARVELO_TESTS=OFF -DQARVELO_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target qarvelo qarvelo-ports
if [ -z "${QARVELO_PORTS:-}" ]; then
    real=$(build/qarvelo-ports 2>/dev/null || true)
    if [ -z "$real" ]; then
        export QARVELO_PORTS="COM1=loopback"
        echo "No serial port found: COM1 is the loopback plug (what you send comes back)."
    fi
fi
exec build/qarvelo
