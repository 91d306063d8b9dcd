#!/bin/sh
# The serial layer's tests under ThreadSanitizer (its modem watcher is the one
# thread of the program). Debian's Qt is not built for TSan; races reported
# inside Qt's own libraries are suppressed (tests/serial/tsan.supp).
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build-tsan -DQARVELO_TSAN=ON -DQARVELO_BENCH=OFF -DQARVELO_WERROR="${QARVELO_WERROR:-OFF}" >/dev/null
targets=$(sed -n 's/^qarvelo_add_test(\([a-z_]*\).*/\1/p' tests/serial/CMakeLists.txt)
cmake --build build-tsan -j"$(nproc)" --target $targets
cd build-tsan
export TSAN_OPTIONS="halt_on_error=1 suppressions=$(pwd)/../tests/serial/tsan.supp"
ctest --output-on-failure --no-tests=error -R "^($(echo $targets | tr " " "|"))$"
