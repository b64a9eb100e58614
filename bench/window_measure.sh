#!/usr/bin/env bash
# Measures the real program as a user runs it, on a virtual display with a
# PulseAudio null sink:
#   1. start to ready, with an empty playlist and with 100,000 real files;
#   2. resident memory after start in both cases;
#   3. CPU time per minute of MP3 playback with the 14-LED meter showing,
#      next to the mpg123 command line playing the same file and to the
#      toolkit's own floor for the window's ticks and repaints
#      (bench/toolkit_floor).
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
# stalls to whoever runs): kesto and mpg123 play at the same time, so the
# same noise falls on both (and on the toolkit floor), and five rounds give a
# median.
sox -R -n -r 44100 -c 2 "$work/long.wav" synth 70 sine 300-3000 vol 0.5
lame --quiet -b 192 "$work/long.wav" "$work/long.mp3"
home="$work/play"
mkdir -p "$home/run"
chmod 700 "$home/run"
# CPU nanoseconds of every thread of a process.
cpu_ns() {
    local sum=0 t
    for t in /proc/$1/task/*; do sum=$((sum + $(cut -d' ' -f1 "$t/schedstat"))); done
    echo $sum
}
per_minute() { echo "scale=3; ($2 - $1) * 60 / $3 / 1000000000" | bc; }
seconds=30
: > "$work/cpu.txt"
rounds=5
for round in $(seq $rounds); do
    printf '[Window]
VUStyle=2
' > "$home/Kesto.ini"
    XDG_RUNTIME_DIR=$home/run KESTO_HOME=$home "$build/kesto" "$work/long.mp3" &
    kpid=$!
    mpg123 -q -o pulse "$work/long.mp3" &
    mpid=$!
    "$build/bench/toolkit_floor" &
    tpid=$!
    sleep 3
    ka=$(cpu_ns $kpid)
    ma=$(cpu_ns $mpid)
    ta=$(cpu_ns $tpid)
    sleep $seconds
    kb=$(cpu_ns $kpid)
    mb=$(cpu_ns $mpid)
    tb=$(cpu_ns $tpid)
    XDG_RUNTIME_DIR=$home/run KESTO_HOME=$home "$build/kesto" -quit
    kill $mpid $tpid
    wait $kpid $mpid $tpid 2>/dev/null || true
    k=$(per_minute $ka $kb $seconds)
    m=$(per_minute $ma $mb $seconds)
    t=$(per_minute $ta $tb $seconds)
    r=$(echo "scale=2; $k / $m" | bc)
    # What the player spends beyond what any Qt window ticking and painting
    # like it would: its own work, to set beside mpg123's.
    b=$(echo "$k - $t" | bc)
    echo "round $round: kesto $k s, mpg123 -o pulse $m s, toolkit floor $t s CPU per minute" \
        "(kesto/mpg123 $r, kesto beyond the floor $b s)"
    echo "$k $m $r $t $b" >> "$work/cpu.txt"
done
median() { sort -n | sed -n "$(((rounds + 1) / 2))p"; }
# The ratio is the steadier figure: all three pay the same stalls.
echo "median: kesto $(cut -d' ' -f1 "$work/cpu.txt" | median) s," \
    "mpg123 -o pulse $(cut -d' ' -f2 "$work/cpu.txt" | median) s," \
    "toolkit floor $(cut -d' ' -f4 "$work/cpu.txt" | median) s CPU per minute;" \
    "median kesto/mpg123 $(cut -d' ' -f3 "$work/cpu.txt" | median);" \
    "median kesto beyond the floor $(cut -d' ' -f5 "$work/cpu.txt" | median) s"
