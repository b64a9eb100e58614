#!/usr/bin/env bash
# The house rules a machine can check, run at the start of ./test.sh:
#   layers   no file below src/app includes one of its headers
#   names    no two declared names differ only in case
#   states   EndAction is never compared with or set to a bare number
#   actions  commands are reached as members (actions.PlayAc), never by a
#            string looked up outside the action list
#   format   every tracked C++ file is as clang-format leaves it
# Each check prints what breaks it; the script fails when one does.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
failed=0
fail() { # check name, offending lines
    echo "$1:" >&2
    echo "$2" | sed 's/^/  /' >&2
    failed=1
}

scripts/check_includes.sh || failed=1
scripts/check_names.sh 2>&1 | grep -v '^      ' || true
scripts/check_names.sh >/dev/null 2>&1 || failed=1

states=$(grep -rnE 'EndAction[^;(]*[!=]=?[[:space:]]*-?[0-9]|EndAction\.(store|exchange|compare_exchange_\w+)\([^)]*\b[0-9]' \
    src --include='*.h' --include='*.cpp' | grep -vE ':[[:space:]]*//' || true)
[ -n "$states" ] && fail "EndAction with a bare number (use EndAction::...)" "$states"
[ -z "$states" ] && echo "States: EndAction is always named"

actions=$(grep -rnE '\[[[:space:]]*"[A-Za-z0-9]+(Ac[0-9]*|Exe|File|Organize)"[[:space:]]*\]|\bon\([[:space:]]*"' \
    src --include='*.h' --include='*.cpp' | grep -v '^src/app/app_actions\.' || true)
[ -n "$actions" ] && fail "Actions looked up by string (use actions.Name)" "$actions"
[ -z "$actions" ] && echo "Actions: no lookup by string outside the action list"

if command -v clang-format >/dev/null; then
    misformatted=$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror 2>&1 |
        grep -oE '^[^:]+:[0-9]+:[0-9]+: error' | cut -d: -f1 | sort -u || true)
    [ -n "$misformatted" ] && fail "Not clang-formatted (run clang-format -i on them)" "$misformatted"
    [ -z "$misformatted" ] && echo "Format: every tracked C++ file is clang-formatted"
else
    fail "Format" "clang-format is not installed"
fi
exit $failed
