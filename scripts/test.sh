#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test twice: once in the normal
# build (build/) and once under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

# A private sound server with a silent speaker and a tone as microphone, stopped on exit.
. scripts/pulse-test-daemon.sh >/dev/null 2>&1 || true
trap '[ -n "${PA_PID:-}" ] && kill "$PA_PID" 2>/dev/null || true' EXIT

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
