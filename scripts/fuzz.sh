#!/bin/sh
# Builds the libFuzzer targets with clang (ASan+UBSan, libraries instrumented
# for coverage) in build-fuzz and runs each for a bounded time:
#   scripts/fuzz.sh [seconds per target, default 60]
# fuzz/corpus/<target>/ holds seeds and past findings; they are replayed first.
# Any crash, sanitizer report or mismatch fails the run (its input is kept in
# build-fuzz/artifacts/).
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/deps.sh
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQARVELO_FUZZ=ON -DQARVELO_TESTS=OFF -DQARVELO_BENCH=OFF \
    -DQARVELO_WERROR="${QARVELO_WERROR:-OFF}" \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
    >/dev/null
targets=$(sed -n 's/^qarvelo_add_fuzzer(\([a-z_]*\).*/\1/p' fuzz/CMakeLists.txt)
[ -n "$targets" ] || { echo "fuzz.sh: no targets found" >&2; exit 1; }
cmake --build "$dir" -j"$(nproc)" --target $targets

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_LOGGING_RULES="*.debug=false"
mkdir -p "$dir/artifacts"
status=0
summary=""
for t in $targets; do
    seeds="fuzz/corpus/$t"
    work="$dir/corpus/$t"
    mkdir -p "$seeds" "$work"
    bin="$dir/fuzz/$t"
    echo "== $t: replaying $(ls "$seeds" | wc -l) corpus files"
    if ls "$seeds"/* >/dev/null 2>&1; then
        if ! "$bin" -runs=0 "$seeds"/* >"$dir/artifacts/$t-replay.log" 2>&1; then
            cat "$dir/artifacts/$t-replay.log" >&2
            echo "== $t: FAILED on a corpus file" >&2
            status=1
            continue
        fi
    fi
    echo "== $t: fuzzing for ${seconds}s"
    log="$dir/artifacts/$t.log"
    if "$bin" -max_total_time="$seconds" -max_len=16384 -timeout=20 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$dir/artifacts/$t-" "$work" "$seeds" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "== $t: ok, $runs executions"
        summary="$summary $t:$runs"
    else
        tail -n 60 "$log" >&2
        echo "== $t: FINDING (input saved under $dir/artifacts/$t-*)" >&2
        status=1
    fi
done
echo "fuzz: executions per target:$summary"
exit $status
