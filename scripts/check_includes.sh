#!/usr/bin/env bash
# The layers point one way: src/app (the process and the main window) may use
# every folder, and no other source file may include one of its headers.
# Tests and benchmarks stand above the program and are not checked.
# Usage: scripts/check_includes.sh [source root]   (default: src)
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}

cd "$root"
upward=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]app/' . \
    --include='*.h' --include='*.cpp' |
    grep -vE '^\./(app/|main\.cpp:)' || true)

if [ -n "$upward" ]; then
    echo "These files include a header of src/app from below it:" >&2
    echo "$upward" >&2
    echo "Move what they need into src/player (or the subsystem that owns it)." >&2
    exit 1
fi
echo "Include direction: no file below src/app includes it"
