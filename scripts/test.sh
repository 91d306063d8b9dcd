#!/bin/sh
# Builds Kelvo Qarvelo with its tests and runs every test (unit, widget and
# end-to-end under Xvfb). Options:
#   --sanitize   build and test with AddressSanitizer + UndefinedBehaviorSanitizer
#   --tsan       build and test with ThreadSanitizer
# QARVELO_WERROR=ON turns compiler warnings into errors (CI sets it).
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
dir=build-test
opts=""
case "${1:-}" in
    --sanitize) dir=build-asan; opts="-DQARVELO_SANITIZE=ON -DQARVELO_BENCH=OFF" ;;
    --tsan) dir=build-tsan; opts="-DQARVELO_TSAN=ON -DQARVELO_BENCH=OFF" ;;
    "") ;;
    *) echo "usage: $0 [--sanitize|--tsan]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQARVELO_WERROR="${QARVELO_WERROR:-OFF}" $opts >/dev/null
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
# Sanitizer runs: fail on the first report, keep leaks from Qt's plugins quiet.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1}"
ctest --output-on-failure --timeout 600 -j"$(nproc)"
