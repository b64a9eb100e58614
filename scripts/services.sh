# Services the tests use, started privately and stopped by PID on exit.
# Sourced by test.sh; each start function exports what the tests read.

KESTO_SERVICE_PIDS=""
KESTO_SERVICE_DIRS=""

kesto_stop_services() {
    local pid
    for pid in $KESTO_SERVICE_PIDS; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $KESTO_SERVICE_PIDS; do
        wait "$pid" 2>/dev/null || true
    done
    KESTO_SERVICE_PIDS=""
    # shellcheck disable=SC2086
    [ -n "$KESTO_SERVICE_DIRS" ] && rm -rf $KESTO_SERVICE_DIRS
    KESTO_SERVICE_DIRS=""
}

# A PulseAudio server of our own with a null sink; exports PULSE_SERVER and
# KESTO_TEST_PULSE_SINK. Prints why when it cannot start (the tests then skip
# with that reason).
kesto_start_pulse() {
    if ! command -v pulseaudio >/dev/null; then
        echo "services: pulseaudio is not installed; sound-server tests will skip"
        return 0
    fi
    local dir
    dir=$(mktemp -d /tmp/kesto-pulse-XXXXXX)
    chmod 700 "$dir"
    KESTO_SERVICE_DIRS="$KESTO_SERVICE_DIRS $dir"
    XDG_RUNTIME_DIR=$dir HOME=$dir pulseaudio --daemonize=no -n --exit-idle-time=-1 \
        --use-pid-file=no --log-target=file:"$dir/pulse.log" \
        -L "module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
        -L "module-null-sink sink_name=ci_sink norewinds=1 rate=44100 channels=2" \
        </dev/null >"$dir/out" 2>&1 &
    KESTO_SERVICE_PIDS="$KESTO_SERVICE_PIDS $!"
    local i
    for i in $(seq 100); do
        PULSE_SERVER=unix:$dir/native pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    if ! PULSE_SERVER=unix:$dir/native pactl info >/dev/null 2>&1; then
        echo "services: PulseAudio did not start; sound-server tests will skip:"
        tail -5 "$dir/pulse.log" "$dir/out" 2>/dev/null
        return 0
    fi
    export PULSE_SERVER=unix:$dir/native
    export KESTO_TEST_PULSE_SINK=ci_sink
    pactl set-default-sink ci_sink
    echo "services: PulseAudio with null sink ci_sink at $PULSE_SERVER"
}

# A virtual X display; exports DISPLAY.
kesto_start_xvfb() {
    if ! command -v Xvfb >/dev/null; then
        echo "services: Xvfb is not installed"
        return 1
    fi
    local dir
    dir=$(mktemp -d /tmp/kesto-xvfb-XXXXXX)
    KESTO_SERVICE_DIRS="$KESTO_SERVICE_DIRS $dir"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$dir/display" >"$dir/log" 2>&1 &
    KESTO_SERVICE_PIDS="$KESTO_SERVICE_PIDS $!"
    local i
    for i in $(seq 250); do
        [ -s "$dir/display" ] && break
        sleep 0.02
    done
    if [ ! -s "$dir/display" ]; then
        echo "services: Xvfb did not start"
        return 1
    fi
    export DISPLAY=:$(cat "$dir/display")
    echo "services: Xvfb on $DISPLAY"
}
