#!/usr/bin/env bash
# What the global hotkeys and the MPRIS service cost while music plays: the
# user-space instructions (callgrind) of 20 s of MP3 playback, once with a
# session bus and the media keys bound, once with neither, beside mpg123
# playing the same file. Instructions, unlike CPU time, hold still on a
# shared machine.
# Usage: bench/integration_cost.sh [build-dir]     (a Release build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
. "$here/scripts/services.sh"
trap kesto_stop_services EXIT
[ -n "${DISPLAY:-}" ] || kesto_start_xvfb
[ -n "${PULSE_SERVER:-}" ] || kesto_start_pulse
work=$(mktemp -d /tmp/kesto-integration-XXXXXX)
KESTO_SERVICE_DIRS="$KESTO_SERVICE_DIRS $work"
seconds=20

sox -R -n -r 44100 -c 2 "$work/long.wav" synth 120 sine 440 vol 0.3
lame --quiet -b 128 "$work/long.wav" "$work/long.mp3"
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
busAddress=$(echo "$bus" | head -1)
busPid=$(echo "$bus" | tail -1)

instructions() { # name, command...
    local out="$work/callgrind.$1"
    shift
    valgrind --tool=callgrind --callgrind-out-file="$out" "$@" 2> /dev/null &
    local pid=$!
    sleep 25
    callgrind_control --zero $pid > /dev/null 2>&1
    sleep $seconds
    callgrind_control --dump $pid > /dev/null 2>&1
    sleep 1
    kill $pid 2> /dev/null || true
    wait $pid 2> /dev/null || true
    awk '/^(summary|totals):/ { print $2; exit }' "$out.1"
}
player() { # name, home, bus address
    mkdir -p "$work/$1/run" && chmod 700 "$work/$1/run"
    env XDG_RUNTIME_DIR="$work/$1/run" KESTO_HOME="$work/$1" DBUS_SESSION_BUS_ADDRESS="$3" \
        bash -c "$(declare -f instructions); work=$work seconds=$seconds instructions $1 \
        $build/kesto $work/long.mp3"
}
mkdir -p "$work/with" "$work/without"
KESTO_HOME="$work/with" "$build/kesto" -setglobalhotkeys
with=$(player with "$work/with" "$busAddress")
without=$(player without "$work/without" "unix:path=$work/nobus")
mpg=$(instructions mpg123 mpg123 -q -o pulse "$work/long.mp3")
kill "$busPid" 2> /dev/null || true
per() { echo $(($1 * 60 / seconds / 1000000)); }
echo "instructions per minute of playback: kesto with bus and hotkeys $(per "$with") M," \
    "without $(per "$without") M (ratio $(echo "scale=3; $with / $without" | bc));" \
    "mpg123 $(per "$mpg") M"
