#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan and UBSan) and runs each for
# a bounded time on a scratch copy of its seed corpus, so that the committed
# seeds stay small. A crash, a leak or a UBSan report fails the run and leaves
# the input in the scratch folder, whose path is printed.
# Usage: fuzz/run.sh [seconds-per-target] [target...]    (default 20 s, all)
#        KESTO_FUZZ_JOBS=2 fuzz/run.sh 3600 m3u          a long run
#        KESTO_FUZZ_RUNS=10000000 fuzz/run.sh 3600       ten million inputs
#                                                        each, an hour at most
# KESTO_FUZZ_MAX_LEN (default 65536) bounds an input's size: the size limits
# of the readers want large inputs, but a long run of small ones (4096) goes
# several times faster and reaches every branch of the formats' grammar.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
shift || true
build=${KESTO_FUZZ_BUILD:-$here/build-fuzz}

[ -f "$build/build.ninja" ] ||
    CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKESTO_FUZZ=ON -DKESTO_BUILD_UI=OFF -DKESTO_BUILD_TESTS=OFF -DKESTO_BUILD_BENCH=OFF \
        > /dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(m3u pls asx b4s txt text_lines ini scheme wav mpeg_probe stream_keys icy_splitter
        stream_answer id3v1 update_reply)
fi
ninja -C "$build" -j "$(nproc)" "${targets[@]/#/fuzz_}"

scratch=$(mktemp -d /tmp/kesto-fuzz-XXXXXX)
failed=0
for t in "${targets[@]}"; do
    corpus="$scratch/$t"
    mkdir -p "$corpus"
    cp "$here/fuzz/corpus/$t/"* "$corpus/" 2> /dev/null || true
    extra=()
    [ -f "$here/fuzz/dict/$t.dict" ] && extra+=(-dict="$here/fuzz/dict/$t.dict")
    # Parallel jobs write their logs to the working folder: the scratch one.
    jobs=${KESTO_FUZZ_JOBS:-1}
    [ "$jobs" -gt 1 ] && extra+=(-jobs="$jobs" -workers="$jobs")
    [ -n "${KESTO_FUZZ_RUNS:-}" ] && extra+=(-runs="$KESTO_FUZZ_RUNS")
    log="$scratch/$t.log"
    if (cd "$scratch" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len="${KESTO_FUZZ_MAX_LEN:-65536}" \
        -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$scratch/$t-" -print_final_stats=1 \
        "${extra[@]}" "$corpus" > "$log" 2>&1); then
        runs=$(awk '/stat::number_of_executed_units/ { n += $2 } END { print n + 0 }' "$log")
        took=$(awk '/^Done [0-9]+ runs in/ { s = $5 } END { print s + 0 }' "$log")
        peak=$(awk '/stat::peak_rss_mb/ { m = $2 } END { print m + 0 }' "$log")
        echo "fuzz $t: $runs runs in $took s (peak $peak MB), no failure"
    else
        echo "fuzz $t: FAILED, see $log and $scratch/$t-*"
        tail -30 "$log"
        failed=1
    fi
done
[ "$failed" -eq 0 ] && rm -rf "$scratch"
exit "$failed"
