#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test twice: once in the normal
# build (build/) and once under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

# A private sound server with a silent speaker and a tone as microphone. On exit it is stopped
# and its folder (socket, log, the tests' config and cache homes) removed, unless PA_DIR named
# a folder of the caller's.
keep_pa_dir=${PA_DIR:-}
. scripts/pulse-test-daemon.sh >/dev/null 2>&1 || true
stop_sound_server() {
    if [ -n "${PA_PID:-}" ]; then
        kill "$PA_PID" 2>/dev/null || true
        wait "$PA_PID" 2>/dev/null || true
    fi
    if [ -z "$keep_pa_dir" ] && [ -n "${PA_DIR:-}" ]; then
        rm -rf "$PA_DIR"
    fi
    return 0
}
trap stop_sound_server EXIT

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=0
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOSTREL_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs")
