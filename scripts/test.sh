#!/usr/bin/env bash
# Sets up everything on a fresh Debian machine, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset debug
cmake --build --preset debug -j2
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy ctest --preset debug -j2
