#!/usr/bin/env bash
# Long use, as a restless user gives it: the real program on a virtual display
# with a window manager and the PulseAudio null sink, a 10,000-line playlist of
# generated files (some broken, some missing, a few streams that cannot
# connect), and a random key command every 100-500 ms: play, stop, pause,
# next and previous, seeks, volume, play modes and views, queue, cut, copy,
# paste and remove, with a second start handing over a file now and then.
# Checks: the player never dies; its resident memory at 1, 10 and the last
# minute; the event loop's longest stall, from the player's own probe
# (KESTO_STALL_PROBE: a 10 ms timer's lateness, less the time the thread
# waited for a processor, which is the machine's, not ours), and from outside
# as the longest answer of its UI thread to a D-Bus call made every 200 ms
# (beside the same call answered by the bus itself, the floor); and
# Playlist.txt and Kesto.ini readable at the end.
# Usage: bench/soak.sh [minutes, default 30] [build-dir]   (a Release build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-30}
build=${2:-$here/build}
. "$here/scripts/services.sh"
trap kesto_stop_services EXIT
kesto_start_xvfb > /dev/null
kesto_start_pulse > /dev/null
command -v openbox > /dev/null || { echo "needs openbox for key focus" >&2; exit 1; }
work=$(mktemp -d /tmp/kesto-soak-XXXXXX)
KESTO_SERVICE_DIRS="$KESTO_SERVICE_DIRS $work"
openbox > /dev/null 2>&1 &
wm=$!
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$(echo "$bus" | head -1)
busPid=$(echo "$bus" | tail -1)

echo "== 10,000 entries over 30 generated files"
mkdir -p "$work/src" "$work/lib" "$work/home/run"
chmod 700 "$work/home/run"
for i in $(seq 0 9); do
    sox -R -n -r 44100 -c 2 -b 16 "$work/src/w$i.wav" synth $((2 + i % 4)) sine $((200 + 40 * i)) vol 0.3
    lame --quiet -b 128 "$work/src/w$i.wav" "$work/src/m$i.mp3"
    oggenc -Q -o "$work/src/o$i.ogg" "$work/src/w$i.wav"
done
head -c 20000 /dev/urandom > "$work/src/broken.mp3"
head -c 44 "$work/src/w0.wav" > "$work/src/short.wav"
: > "$work/src/empty.ogg"
python3 - "$work" <<'PY'
import os, random, sys
work = sys.argv[1]
random.seed(7)
sources = sorted(os.listdir(f"{work}/src"))
lines = []
for n in range(10000):
    r = random.random()
    if r < 0.02:
        lines.append(f"{work}/lib/missing {n}.mp3")
    elif r < 0.025:
        lines.append(f"http://127.0.0.1:9/nothing{n}|No station {n}")
    else:
        src = random.choice(sources)
        name = f"{work}/lib/{n:05d} {src}"
        os.link(f"{work}/src/{src}", name)
        lines.append(name)
open(f"{work}/home/Playlist.txt", "w", newline="").write("".join(l + "\r\n" for l in lines))
PY

# A second start adds its file: the shipped choice opens the file's folder
# instead, which would leave a list of 33 after the first one.
printf '[General]\r\nEnqueueOption=1\r\n' > "$work/home/Kesto.ini"
run() { XDG_RUNTIME_DIR="$work/home/run" KESTO_HOME="$work/home" "$build/kesto" "$@"; }
XDG_RUNTIME_DIR="$work/home/run" KESTO_HOME="$work/home" KESTO_STALL_PROBE="$work/stall.txt" \
    "$build/kesto" > "$work/kesto.log" 2>&1 &
pid=$!
win=""
for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --pid $pid 2> /dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.1
done
[ -n "$win" ] || { echo "no window" >&2; cat "$work/kesto.log" >&2; exit 1; }

# The UI thread's answer time, against the bus's own answer as the floor.
probe() { # dest path interface.method [args]
    local a b
    a=$(date +%s%N)
    timeout 30 dbus-send --session --print-reply --dest="$1" "$2" "$3" "${@:4}" > /dev/null 2>&1 || true
    b=$(date +%s%N)
    echo $(((b - a) / 1000000))
}
(
    while kill -0 $pid 2> /dev/null; do
        echo "player $(probe org.mpris.MediaPlayer2.kesto /org/mpris/MediaPlayer2 \
            org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player \
            string:PlaybackStatus)"
        echo "bus $(probe org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.GetId)"
        sleep 0.2
    done
) > "$work/probe.log" &
prober=$!

keys=(Return Return Return 0 space Tab Tab shift+Tab BackSpace Right Right Left Left Up Down
    Down Down Page_Down Page_Up Home End F8 F9 Insert period grave Delete ctrl+c ctrl+v ctrl+x
    ctrl+v plus minus ctrl+shift+c)
rss() { awk '/VmRSS/ { print $2 }' "/proc/$pid/status"; }
start=$(date +%s)
sent=0
declare -A rssAt
echo "== $minutes minutes of keys"
while :; do
    now=$(date +%s)
    elapsed=$((now - start))
    [ "$elapsed" -ge $((minutes * 60)) ] && break
    kill -0 $pid 2> /dev/null || { echo "the player died after $elapsed s" >&2; break; }
    minute=$((elapsed / 60))
    [ -n "${rssAt[$minute]:-}" ] || rssAt[$minute]=$(rss)
    # The window may have lost the keyboard to a message box: the keys go
    # wherever the focus is, as a user's would, but the main window is
    # brought back now and then.
    if [ $((sent % 50)) -eq 0 ]; then
        xdotool windowactivate "$win" 2> /dev/null || true
    fi
    if [ $((RANDOM % 150)) -eq 0 ]; then
        echo "$(date +%s%3N) second-start" >> "$work/keys.log"
        run "$work/src/m$((RANDOM % 10)).mp3" > /dev/null 2>&1 &
    fi
    key=${keys[$((RANDOM % ${#keys[@]}))]}
    echo "$(date +%s%3N) $key" >> "$work/keys.log"
    xdotool key --clearmodifiers "$key" 2> /dev/null || true
    sent=$((sent + 1))
    sleep "0.$((100 + RANDOM % 400))"
done
alive=yes
kill -0 $pid 2> /dev/null || alive=no
last=$(( $(date +%s) - start ))
rssEnd=$( [ $alive = yes ] && rss || echo gone)
if [ $alive = yes ]; then
    run -quit
    for _ in $(seq 100); do kill -0 $pid 2> /dev/null || break; sleep 0.1; done
fi
code=0
wait $pid 2> /dev/null || code=$?
kill $prober $wm $busPid 2> /dev/null || true
wait $prober 2> /dev/null || true

echo "keys sent: $sent over $last s; the player alive to the end: $alive; exit code $code"
echo "RSS (KiB): minute 1 ${rssAt[1]:-?}, minute 10 ${rssAt[10]:-?}, end $rssEnd"
echo "event loop (the player's probe): $(head -1 "$work/stall.txt" 2> /dev/null || echo 'no summary')"
# Each of the thread's own stalls over 100 ms, with the commands sent in the
# second before it ended, and how much of it the thread ran (the rest it was
# blocked). No stall at all is the good case: grep's status must not end the
# script under pipefail.
{ grep '^own stall' "$work/stall.txt" 2> /dev/null || true; } |
    while read -r _ _ _ length _ _ _ at _ running _; do
        at=${at%,}
        echo "  $length ms ($running ms of it running), after: $(awk -v t="$at" \
            '$1 > t - 1000 && $1 <= t { printf "%s ", $2 }' "$work/keys.log")"
    done
awk '$1 == "player" { n++; if ($2 > m) m = $2; if ($2 > 100) o++ }
     $1 == "bus" { bn++; if ($2 > bm) bm = $2 }
     END { printf "UI thread answers: %d, longest %d ms, %d over 100 ms; the bus alone: longest %d ms\n",
           n, m, o, bm }' "$work/probe.log"
python3 - "$work/home" <<'PY'
import configparser, sys
home = sys.argv[1]
lines = open(f"{home}/Playlist.txt", "rb").read().decode("utf-8").split("\r\n")
assert lines[-1] == "", "Playlist.txt ends with a line end"
bad = [l for l in lines[:-1] if not l or "\n" in l or "\r" in l]
ini = configparser.ConfigParser(strict=False, interpolation=None)
ini.read_string(open(f"{home}/Kesto.ini", encoding="utf-8").read())
print(f"Playlist.txt: {len(lines) - 1} lines, {len(bad)} bad; Kesto.ini: sections {sorted(ini.sections())}")
PY
