#!/usr/bin/env bash
# Lists the functions and fields this program declares whose names differ
# only in case (openEntry beside OpenEntry): a reader cannot tell them apart
# by ear, and the house rule gives every name one spelling. A type and a
# variable of it (Settings settings) are not a pair: the capital marks the type.
# Usage: scripts/check_names.sh [source root]   (default: src)
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}
cd "$root"

# A bus adaptor's methods carry the interface's own names (Play, Pause), which
# only the bus calls: *_adaptors.cpp files are not read.
files=$(find . \( -name '*.h' -o -name '*.cpp' \) ! -name '*_adaptors.cpp' | sort)

# Names this program gives to types: excluded, so Settings/settings is fine.
# shellcheck disable=SC2086
types=$(grep -hoE '\b(class|struct|enum( class)?|using|namespace)[[:space:]]+[A-Za-z_][A-Za-z0-9_]*' $files |
    awk '{print $NF}' | sort -u)

# Declared names: functions declared or defined anywhere (a return type, then
# the name and its parameter list), and the fields and constants of headers.
# Comments and string literals are dropped first so prose is never read.
# The key codes keep the keyboard's own names (vk::Tab, vk::Up) and are
# always read qualified, so they are not counted. Locals and parameters are
# left alone: `volume` beside the field `Volume`
# is how a value gets its field's name.
declarations() { # pattern ending, files...
    local end=$1
    shift
    sed -E 's://.*$::; s:"([^"\\]|\\.)*":"":g' "$@" |
        grep -oE '^[[:space:]]*([A-Za-z_][A-Za-z0-9_:<>,*&]*[[:space:]]+)+[*&]?([A-Za-z_][A-Za-z0-9_]*::)*[A-Za-z_][A-Za-z0-9_]*[[:space:]]*'"$end" |
        grep -vE '^[[:space:]]*(return|else|case|delete|new|goto|throw|co_return|using|typedef|namespace|class|struct|enum|template|friend|public|private|protected|#)[[:space:]]' |
        sed -E 's/[[:space:]]*[(;={[]$//; s/.*[[:space:]*&:]//' | sort -u
}
# shellcheck disable=SC2086
functions=$(declarations '\(' $files)
# shellcheck disable=SC2086
fields=$(declarations '(;|=|\{|\[)' $(find . -name '*.h' ! -name key_codes.h | sort))

# A pair needs a function in it: two fields or constants spelt alike
# (vk::Tab, a Tab flag) are told apart by what holds them.
pairs=$(comm -23 <(sort -u <(echo "$functions") <(echo "$fields")) <(echo "$types") |
    awk -v fns="$(echo "$functions" | tr '\n' ' ')" '
        BEGIN { n = split(fns, f, " "); for (i = 1; i <= n; i++) isFn[f[i]] = 1 }
        { k = tolower($0); if (k in seen) { if (isFn[seen[k]] || isFn[$0]) print seen[k] " " $0 } else seen[k] = $0 }')

if [ -n "$pairs" ]; then
    echo "Names that differ only in case:" >&2
    while read -r a b; do
        echo "  $a / $b" >&2
        grep -rnwE "$a|$b" . --include='*.h' | head -4 | sed 's/^/      /' >&2
    done <<<"$pairs"
    exit 1
fi
echo "Names: no two declared names differ only in case"
