#!/usr/bin/env bash
# Installs what the player needs, builds the Release program into build/ and
# starts it with the optional argument (a file, folder, playlist or URL).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=scripts/packages.sh
. "$here/scripts/packages.sh"
kesto_install_packages build runtime

[ -f "$here/build/build.ninja" ] ||
    cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$here/build" kesto >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Kesto on a virtual display (Xvfb) with the null sound output."
    # shellcheck source=scripts/services.sh
    . "$here/scripts/services.sh"
    trap kesto_stop_services EXIT
    kesto_start_xvfb
    export KESTO_AUDIO_OUTPUT=${KESTO_AUDIO_OUTPUT:-null}
    "$here/build/kesto" "$@"
    exit $?
fi
exec "$here/build/kesto" "$@"
