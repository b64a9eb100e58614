#!/usr/bin/env bash
# The weekly update check as a start-up sees it: the time from launching the
# player to the check's date in Kesto.ini, beside curl making the same
# request with the same time-outs, for
#   1. the shipped host (a .invalid name, which never resolves);
#   2. a loopback server that takes the connection and never answers;
#   3. a loopback port that never completes a connection;
# and, for the start-up's own share, a loopback server that answers at once.
# Usage: bench/update_check_measure.sh [build-dir]   (a Release build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
work=$(mktemp -d /tmp/kesto-update-XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2> /dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
query="/updatecheck.php?app=kesto&version=1.04b"
now() { date +%s.%N; }

# Seconds from launch until lastversioncheck is today, for a host setting
# (empty: the shipped default).
player_time() {
    local home="$work/home-$RANDOM"
    mkdir -p "$home/run" && chmod 700 "$home/run"
    [ -n "$1" ] && printf '[Tweak]\nupdate_server=%s\n' "$1" > "$home/Kesto.ini"
    local today start end
    today=$(date +%Y-%m-%d)
    start=$(now)
    XDG_RUNTIME_DIR="$home/run" KESTO_HOME="$home" QT_QPA_PLATFORM=offscreen \
        KESTO_AUDIO_OUTPUT=null "$build/kesto" > /dev/null 2>&1 &
    local pid=$!
    until grep -qi "^lastversioncheck=$today" "$home/Kesto.ini" 2> /dev/null; do
        sleep 0.01
        if [ "$(echo "$(now) - $start > 60" | bc)" = 1 ]; then break; fi
    done
    end=$(now)
    XDG_RUNTIME_DIR="$home/run" KESTO_HOME="$home" QT_QPA_PLATFORM=offscreen "$build/kesto" -quit
    wait $pid 2> /dev/null || true
    printf "%.2f" "$(echo "$end - $start" | bc)"
}
curl_time() {
    local start end
    start=$(now)
    curl -s -o /dev/null -A "VIDAZUV Download" --connect-timeout 5 --speed-limit 1 \
        --speed-time 5 "http://$1$query" || true
    end=$(now)
    printf "%.2f" "$(echo "$end - $start" | bc)"
}

# A server that takes connections and says nothing; a port whose one-place
# queue is held full, so no handshake completes.
python3 - "$work/ports" << 'PY' &
import socket, sys, threading
body = b'http://example.org/\n1.04b\nUp to date.\n'
answer = socket.socket(); answer.bind(('127.0.0.1', 0)); answer.listen(16)
def serve():
    while True:
        c = answer.accept()[0]
        c.recv(4096)
        c.sendall(b'HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n' % len(body) + body)
        c.close()
threading.Thread(target=serve, daemon=True).start()
silent = socket.socket(); silent.bind(('127.0.0.1', 0)); silent.listen(16)
full = socket.socket(); full.bind(('127.0.0.1', 0)); full.listen(0)
filler = socket.socket(); filler.connect(full.getsockname())
with open(sys.argv[1], 'w') as f:
    f.write('%d %d %d\n' % (silent.getsockname()[1], full.getsockname()[1],
                            answer.getsockname()[1]))
held = []
silent.settimeout(0.2)
while True:
    try:
        held.append(silent.accept()[0])
    except socket.timeout:
        pass
PY
pids+=($!)
until [ -s "$work/ports" ]; do sleep 0.05; done
read -r silent full answering < "$work/ports"

printf '%-40s %8s %8s\n' "case" "kesto" "curl"
printf '%-40s %7ss %7ss\n' "loopback server answering 1.04b" \
    "$(player_time 127.0.0.1:$answering)" "$(curl_time 127.0.0.1:$answering)"
printf '%-40s %7ss %7ss\n' "update.kesto.invalid (shipped default)" "$(player_time '')" \
    "$(curl_time update.kesto.invalid)"
printf '%-40s %7ss %7ss\n' "silent loopback server" "$(player_time 127.0.0.1:$silent)" \
    "$(curl_time 127.0.0.1:$silent)"
printf '%-40s %7ss %7ss\n' "loopback port that never connects" "$(player_time 127.0.0.1:$full)" \
    "$(curl_time 127.0.0.1:$full)"
echo "(kesto: launch to the date written, start-up included; curl: the request alone)"
