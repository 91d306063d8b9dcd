#!/bin/sh
# Builds the benchmarks and runs all of them, or the one named:
#   scripts/bench.sh [receive|responsiveness|idle|repeat|startup|probe] [options...]
# Options after the name go to that benchmark (e.g. "repeat --minutes 10").
# Every run happens inside the no-serial sandbox when it exists; ports are
# pseudo-terminals and the loopback plug only, never real serial devices.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
dir="${QARVELO_BENCH_DIR:-build-bench}"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQARVELO_BENCH=ON \
    -DQARVELO_WERROR="${QARVELO_WERROR:-ON}" >/dev/null
cmake --build "$dir" -j2 --target qarvelo bench_receive bench_repeat bench_probe
sandbox=/work/shared/tools/no-serial-sandbox
[ -x "$sandbox" ] || sandbox=""
# The benchmarks map their own ports; this keeps anything else off real devices.
export QARVELO_PORTS="${QARVELO_PORTS:-COM1=loopback}"
export QARVELO_BIN="$root/$dir/qarvelo"

run() {
    name=$1
    shift
    echo "=== $name"
    case "$name" in
        receive) $sandbox env QT_QPA_PLATFORM=offscreen "$dir/bench/bench_receive" "$@" ;;
        repeat) $sandbox env QT_QPA_PLATFORM=offscreen "$dir/bench/bench_repeat" "$@" ;;
        probe) $sandbox env QT_QPA_PLATFORM=offscreen "$dir/bench/bench_probe" "$@" ;;
        responsiveness | idle | startup) $sandbox python3 "bench/$name.py" "$@" ;;
        *) echo "unknown benchmark: $name" >&2; exit 2 ;;
    esac
}

if [ $# -gt 0 ]; then
    run "$@"
else
    for b in receive probe startup idle responsiveness repeat; do
        run "$b"
    done
fi
