#!/usr/bin/env bash
# Internet radio as a user hears it, from a loopback icecast station:
#   1. CPU time per minute playing the station, beside the same player
#      playing a local MP3 of the same encoding, and mpg123 decoding it;
#   2. with a minute count, resident memory sampled each minute of a long
#      listen (it must stay flat: the ring and the decoder are bounded).
# Usage: bench/stream_measure.sh [soak-minutes] [build-dir]   (a Release build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-0}
build=${2:-$here/build}
. "$here/scripts/services.sh"
trap kesto_stop_services EXIT
kesto_start_xvfb > /dev/null
kesto_start_pulse > /dev/null
kesto_start_icecast > /dev/null
[ -n "${KESTO_ICECAST_PORT:-}" ] || { echo "icecast2 did not start" >&2; exit 1; }
work=$(mktemp -d /tmp/kesto-stream-XXXXXX)
KESTO_SERVICE_DIRS="$KESTO_SERVICE_DIRS $work"
station="http://127.0.0.1:$KESTO_ICECAST_PORT/live"
sox -R -n -r 44100 -c 2 -b 16 "$work/local.wav" synth 180 sine 440 vol 0.5
lame --quiet -b 128 "$work/local.wav" "$work/local.mp3"

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
# CPU seconds per minute of `kesto <what>`, over 60 s after 10 s of start.
player_cpu() {
    local home="$work/home-$2"
    mkdir -p "$home/run" && chmod 700 "$home/run"
    XDG_RUNTIME_DIR="$home/run" KESTO_HOME="$home" "$build/kesto" "$1" > /dev/null 2>&1 &
    local pid=$!
    sleep 10
    local a b
    a=$(ticks $pid)
    sleep 60
    b=$(ticks $pid)
    XDG_RUNTIME_DIR="$home/run" KESTO_HOME="$home" "$build/kesto" -quit
    wait $pid 2> /dev/null || true
    echo "scale=3; ($b - $a) / $hz" | bc
}
stream=$(player_cpu "$station" stream)
local_=$(player_cpu "$work/local.mp3" local)
decode=$( { /usr/bin/time -f '%U %S' mpg123 -q -s "$work/local.mp3" > /dev/null; } 2>&1 |
    awk '{ printf "%.3f", ($1 + $2) / 3 }')
echo "CPU per minute: station $stream s, local MP3 $local_ s" \
    "(ratio $(echo "scale=3; $stream / $local_" | bc)); mpg123 decoding the same MP3 $decode s"

if [ "$minutes" -gt 0 ]; then
    home="$work/home-soak"
    mkdir -p "$home/run" && chmod 700 "$home/run"
    XDG_RUNTIME_DIR="$home/run" KESTO_HOME="$home" "$build/kesto" "$station" > /dev/null 2>&1 &
    pid=$!
    printf 'RSS (KiB) by minute:'
    for m in $(seq 0 "$minutes"); do
        [ "$m" -eq 0 ] || sleep 60
        printf ' %s' "$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")"
    done
    echo
    XDG_RUNTIME_DIR="$home/run" KESTO_HOME="$home" "$build/kesto" -quit
    wait $pid 2> /dev/null || true
fi
