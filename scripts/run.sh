#!/usr/bin/env bash
# Sets up the machine, builds the release version and starts Beatwright.
# Without a display, it renders the starter song to a WAV file instead and says where it is.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release
cmake --build --preset release -j2

build=build/release
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  out="$PWD/$build/starter-song.wav"
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are empty): the window cannot open here."
  echo "Rendering the starter song to a WAV file instead..."
  "$build/beatwright-cli" render "$build/default.bwp" --library "$build/default.slb" --song -o "$out"
  echo "The starter song is in: $out"
  exit 0
fi

exec "$build/beatwright" "$@"
