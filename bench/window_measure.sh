#!/usr/bin/env bash
# Measures the real program as a user runs it, on a virtual display with a
# PulseAudio null sink:
#   1. start to ready, with an empty playlist and with 100,000 real files;
#   2. resident memory after start in both cases;
#   3. CPU time per minute of MP3 playback with the 14-LED meter showing,
#      next to the mpg123 command line playing the same file and to the
#      toolkit's own floor for the window's ticks and repaints
#      (bench/toolkit_floor);
#   4. with valgrind installed, the user-space instructions of the same
#      playback, kesto against mpg123.
# Usage: bench/window_measure.sh [build-dir]     (a Release build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
. "$here/scripts/services.sh"
trap kesto_stop_services EXIT
[ -n "${DISPLAY:-}" ] || kesto_start_xvfb
[ -n "${PULSE_SERVER:-}" ] || kesto_start_pulse
work=$(mktemp -d /tmp/kesto-measure-XXXXXX)
KESTO_SERVICE_DIRS="$KESTO_SERVICE_DIRS $work"

echo "== making 100,000 real files (hard links to ten generated MP3s)"
mkdir -p "$work/src" "$work/lib" "$work/big"
for i in $(seq 0 9); do
    sox -R -n -r 44100 -c 2 "$work/src/t$i.wav" synth 1 sine $((200 + 50 * i)) vol 0.3
    lame --quiet -b 128 "$work/src/t$i.wav" "$work/src/t$i.mp3"
done
perl -e 'my ($src, $lib) = @ARGV;
    for my $d (0 .. 99) {
        my $dir = sprintf("%s/Artist %02d", $lib, $d);
        mkdir $dir or die;
        for my $f (0 .. 999) {
            link(sprintf("%s/t%d.mp3", $src, $f % 10), sprintf("%s/%03d Track title.mp3", $dir, $f))
                or die;
        }
    }' "$work/src" "$work/lib"
find "$work/lib" -type f | sort | awk '{printf "%s\r\n", $0}' > "$work/big/Playlist.txt"
echo "$(wc -l < "$work/big/Playlist.txt") entries"

echo "== start to ready, empty playlist"
KESTO_AUDIO_OUTPUT=null "$build/bench/startup_bench" "$build/kesto" 10
echo "== start to ready, 100,000 entries"
KESTO_AUDIO_OUTPUT=null "$build/bench/startup_bench" "$build/kesto" 10 "$work/big"

echo "== CPU per minute of MP3 playback, 14-LED meter showing"
# This machine's CPU accounting is noisy (a virtual machine counts its own
# stalls to whoever runs), so nothing is measured alone: each round plays
# mpg123 beside kesto, then beside bench/toolkit_floor (a bare Qt window
# ticking and repainting as the player's does), and the ratios to mpg123
# are the figures to compare. Five rounds give the medians.
sox -R -n -r 44100 -c 2 "$work/long.wav" synth 70 sine 300-3000 vol 0.5
lame --quiet -b 192 "$work/long.wav" "$work/long.mp3"
home="$work/play"
mkdir -p "$home/run"
chmod 700 "$home/run"
printf '[Window]\r\nVUStyle=2\r\n' > "$home/Kesto.ini"
# CPU nanoseconds of every thread of a process.
cpu_ns() {
    local sum=0 t
    for t in /proc/$1/task/*; do sum=$((sum + $(cut -d' ' -f1 "$t/schedstat"))); done
    echo $sum
}
seconds=20
# Runs its arguments beside mpg123 for $seconds; prints both CPU figures in
# seconds per minute.
beside_mpg123() {
    "$@" &
    local pid=$!
    mpg123 -q -o pulse "$work/long.mp3" &
    local mpid=$!
    sleep 3
    local a ma b mb
    a=$(cpu_ns $pid)
    ma=$(cpu_ns $mpid)
    sleep $seconds
    b=$(cpu_ns $pid)
    mb=$(cpu_ns $mpid)
    if [ "$1" = "$build/kesto" ]; then
        XDG_RUNTIME_DIR=$home/run KESTO_HOME=$home "$build/kesto" -quit
    else
        kill $pid
    fi
    kill $mpid
    wait $pid $mpid 2>/dev/null || true
    echo "scale=3; ($b - $a) * 60 / $seconds / 1000000000; ($mb - $ma) * 60 / $seconds / 1000000000" |
        bc | tr '\n' ' '
    echo
}
: > "$work/cpu.txt"
rounds=5
for round in $(seq $rounds); do
    read -r k m1 < <(XDG_RUNTIME_DIR=$home/run KESTO_HOME=$home \
        beside_mpg123 "$build/kesto" "$work/long.mp3")
    read -r t m2 < <(beside_mpg123 "$build/bench/toolkit_floor")
    rk=$(echo "scale=2; $k / $m1" | bc)
    rt=$(echo "scale=2; $t / $m2" | bc)
    echo "round $round: kesto $k s beside mpg123 $m1 s (ratio $rk);" \
        "toolkit floor $t s beside mpg123 $m2 s (ratio $rt) CPU per minute"
    echo "$k $m1 $rk $t $m2 $rt" >> "$work/cpu.txt"
done
median() { sort -n | sed -n "$(((rounds + 1) / 2))p"; }
col() { cut -d' ' -f"$1" "$work/cpu.txt" | median; }
echo "median: kesto $(col 1) s, mpg123 beside it $(col 2) s, ratio $(col 3);" \
    "toolkit floor $(col 4) s, mpg123 beside it $(col 5) s, ratio $(col 6)"

# CPU time on a virtual machine moves with its neighbours; the instructions
# a program runs do not. Under callgrind (when valgrind is installed), the
# user-space instructions of 20 s of the same playback, once the start is
# behind, for kesto and for mpg123: the steady figure to compare builds by.
if command -v valgrind > /dev/null && command -v callgrind_control > /dev/null; then
    echo "== user-space instructions per minute of MP3 playback (callgrind)"
    # Instructions the program ran in $seconds, from its 25th second on.
    instructions() {
        local out="$work/callgrind.$1"
        shift
        valgrind --tool=callgrind --callgrind-out-file="$out" "$@" 2> /dev/null &
        local pid=$!
        sleep 25
        callgrind_control --zero $pid > /dev/null 2>&1
        sleep $seconds
        callgrind_control --dump $pid > /dev/null 2>&1
        sleep 1
        if [ "$1" = "$build/kesto" ]; then
            XDG_RUNTIME_DIR=$home/run KESTO_HOME=$home "$build/kesto" -quit
            sleep 5
        fi
        kill $pid 2> /dev/null || true
        wait $pid 2> /dev/null || true
        awk '/^(summary|totals):/ { print $2; exit }' "$out.1"
    }
    ki=$(XDG_RUNTIME_DIR=$home/run KESTO_HOME=$home \
        instructions kesto "$build/kesto" "$work/long.mp3")
    mi=$(instructions mpg123 mpg123 -q -o pulse "$work/long.mp3")
    echo "kesto $((ki * 60 / seconds / 1000000)) M, mpg123 $((mi * 60 / seconds / 1000000)) M" \
        "instructions per minute (ratio $(echo "scale=2; $ki / $mi" | bc))"
fi
