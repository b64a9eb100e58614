#!/usr/bin/env bash
# Builds the Debian package from a Release build, installs it with apt as a
# user would, and checks the installed copy: /usr/bin/kesto starts on a
# virtual display, plays a file through the silent output and ends with
# -quit, keeping its files in the configuration folder; the desktop entry
# and the catalogue data validate; apt remove leaves none of the package's
# files behind. Needs root (apt); changes this machine's installed packages,
# so CI does not run it.
# Usage: scripts/package_check.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
[ "$(id -u)" -eq 0 ] || { echo "run as root: it installs the package" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q --no-install-recommends desktop-file-utils appstream > /dev/null
. "$here/scripts/services.sh"
trap kesto_stop_services EXIT
kesto_start_xvfb > /dev/null

[ -f "$build/build.ninja" ] || cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
ninja -C "$build" kesto > /dev/null
(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/kesto_*.deb | head -1)
echo "== package: $(basename "$deb")"
dpkg-deb --info "$deb" | sed -n '/Depends/p'

apt-get install -y -q "$deb" > /dev/null
files=$(dpkg -L kesto | while read -r f; do [ -d "$f" ] || echo "$f"; done)
echo "installed $(echo "$files" | wc -l) files"
desktop-file-validate /usr/share/applications/kesto.desktop
appstreamcli validate --no-net /usr/share/metainfo/io.kesto.Kesto.metainfo.xml

work=$(mktemp -d /tmp/kesto-package-XXXXXX)
KESTO_SERVICE_DIRS="$KESTO_SERVICE_DIRS $work"
mkdir -p "$work/home" "$work/run" && chmod 700 "$work/run"
sox -R -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 30 sine 440 vol 0.3
user=(env -u KESTO_HOME HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
    XDG_RUNTIME_DIR="$work/run" KESTO_AUDIO_OUTPUT=null)
"${user[@]}" /usr/bin/kesto "$work/tone.wav" > "$work/kesto.log" 2>&1 &
pid=$!
title=""
for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --pid $pid 2> /dev/null | head -1 || true)
    [ -n "$win" ] && title=$(xdotool getwindowname "$win" 2> /dev/null || true)
    case "$title" in tone*) break ;; esac
    sleep 0.1
done
echo "window title while playing: $title"
case "$title" in tone*) ;; *) echo "the installed player did not play the file" >&2; exit 1 ;; esac
"${user[@]}" /usr/bin/kesto -quit
for _ in $(seq 100); do kill -0 $pid 2> /dev/null || break; sleep 0.1; done
kill -0 $pid 2> /dev/null && { echo "-quit did not end the player" >&2; exit 1; }
[ -f "$work/home/.config/kesto/Kesto.ini" ] && [ -f "$work/home/.config/kesto/Playlist.txt" ] ||
    { echo "the installed player did not write to its configuration folder" >&2; exit 1; }
[ ! -e /usr/bin/Kesto.ini ] && [ ! -e /usr/bin/Playlist.txt ] ||
    { echo "the installed player wrote beside itself" >&2; exit 1; }

apt-get remove -y -q kesto > /dev/null
left=$(echo "$files" | while read -r f; do [ -e "$f" ] && echo "$f"; done || true)
[ -z "$left" ] || { echo "apt remove left: $left" >&2; exit 1; }
echo "== installed, played, quit and removed cleanly"
