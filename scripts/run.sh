#!/usr/bin/env bash
# Installs what is missing, builds the game (not its tests) and starts it from its program folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target game
exec build/bin/Ostrel
