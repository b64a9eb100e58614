#!/usr/bin/env bash
# Enter on a stream entry to the first block the sound server plays, as a user
# hears it: the player runs on a virtual display with a window manager, the
# station is a loopback icecast, and the null sink's monitor is read with
# parec. Each round stops the station (the stop key twice), waits, and
# presses Enter.
# The figure includes the sink's and parec's own latency (a few tens of ms),
# shown beside the same path for a local MP3.
# Usage: bench/stream_first_sound.sh [rounds] [build-dir]   (a Release build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
build=${2:-$here/build}
. "$here/scripts/services.sh"
trap kesto_stop_services EXIT
kesto_start_xvfb > /dev/null
kesto_start_pulse > /dev/null
kesto_start_icecast > /dev/null
[ -n "${KESTO_ICECAST_PORT:-}" ] || { echo "icecast2 did not start" >&2; exit 1; }
command -v openbox > /dev/null || { echo "needs openbox for key focus" >&2; exit 1; }
work=$(mktemp -d /tmp/kesto-first-XXXXXX)
KESTO_SERVICE_DIRS="$KESTO_SERVICE_DIRS $work"
openbox > /dev/null 2>&1 &
wm=$!
sox -R -n -r 44100 -c 2 -b 16 "$work/local.wav" synth 60 sine 440 vol 0.5
lame --quiet -b 128 "$work/local.wav" "$work/local.mp3"

# Prints the wall-clock time of every start of sound after half a second of
# silence on the sink's monitor.
parec -d "$KESTO_TEST_PULSE_SINK.monitor" --format=s16le --rate=44100 --channels=2 \
    --latency-msec=5 | python3 -u -c '
import sys, time, array
last_loud = 0.0   # an idle sink may send nothing at all, so silence is timed
while True:
    block = sys.stdin.buffer.read(441 * 4)   # 10 ms
    if not block:
        break
    now = time.time()
    if max(abs(s) for s in array.array("h", block)) > 300:
        if now - last_loud >= 0.5:
            print("%.3f" % now, flush=True)
        last_loud = now
' > "$work/onsets" &
monitor=$!

measure() { # label, playlist line
    local home="$work/home-$1"
    mkdir -p "$home/run" && chmod 700 "$home/run"
    printf '%s\r\n' "$2" > "$home/Playlist.txt"
    XDG_RUNTIME_DIR="$home/run" KESTO_HOME="$home" "$build/kesto" > /dev/null 2>&1 &
    local pid=$! win="" i
    for i in $(seq 50); do
        win=$(xdotool search --sync --onlyvisible --pid $pid 2> /dev/null | head -1) && break
        sleep 0.1
    done
    [ -n "$win" ] || { echo "no window" >&2; kill $pid; return 1; }
    xdotool windowactivate --sync "$win"
    sleep 1
    local times=()
    for i in $(seq "$rounds"); do
        xdotool key Home
        local before after pressed
        before=$(wc -l < "$work/onsets")
        pressed=$(date +%s.%N)
        xdotool key Return
        for _ in $(seq 300); do
            after=$(wc -l < "$work/onsets")
            [ "$after" -gt "$before" ] && break
            sleep 0.01
        done
        [ "$after" -gt "$before" ] || { times+=(none); xdotool key 0 0; sleep 1; continue; }
        times+=("$(tail -1 "$work/onsets" | awk -v p="$pressed" '{ printf "%.0f", ($1 - p) * 1000 }')")
        sleep 2
        xdotool key 0 0
        sleep 1.5
    done
    XDG_RUNTIME_DIR="$home/run" KESTO_HOME="$home" "$build/kesto" -quit
    wait $pid 2> /dev/null || true
    echo "$1: Enter to first sound (ms): ${times[*]}"
}
measure station "http://127.0.0.1:$KESTO_ICECAST_PORT/live"
measure local "$work/local.mp3"
kill $monitor $wm 2> /dev/null || true
