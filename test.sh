#!/usr/bin/env bash
# Installs what the tests need, checks the house rules (scripts/check_rules.sh),
# builds, and runs the whole suite: every test in the Release build, the core
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the audio
# engine's tests under ThreadSanitizer, and each fuzz target for a short
# while. Exits non-zero on any failure.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

# shellcheck source=scripts/packages.sh
. scripts/packages.sh
kesto_install_packages build runtime test
kesto_generate_locales

# shellcheck source=scripts/services.sh
. scripts/services.sh
trap kesto_stop_services EXIT
kesto_start_pulse
kesto_start_icecast
kesto_start_xvfb

echo "== House rules: layers, names, states, actions, format"
scripts/check_rules.sh

jobs=$(nproc)
configure() { # dir, cmake options...
    local dir=$1
    shift
    [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

echo "== Release build and every test"
configure build -DCMAKE_BUILD_TYPE=Release
ninja -C build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

echo "== Core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure build-asan -DCMAKE_BUILD_TYPE=Debug -DKESTO_SANITIZE=ON -DKESTO_BUILD_UI=OFF \
    -DKESTO_BUILD_BENCH=OFF
ninja -C build-asan -j "$jobs" kesto_core_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build-asan/tests/kesto_core_tests --gtest_brief=1

echo "== Audio engine tests under ThreadSanitizer"
configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DKESTO_TSAN=ON -DKESTO_BUILD_UI=OFF \
    -DKESTO_BUILD_BENCH=OFF
ninja -C build-tsan -j "$jobs" kesto_core_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    build-tsan/tests/kesto_core_tests --gtest_brief=1 --gtest_filter='Engine*'

echo "== Every reader of outside bytes under libFuzzer, 20 s each"
fuzz/run.sh 20

echo "== All tests passed"
