#!/usr/bin/env bash
# clang-tidy over the program's sources (core, library, audio, app, ui), two files at a time;
# silent when clean, and fails on any finding. Usage: scripts/lint.sh [BUILD_DIR [FILE...]]
# (default build/asan: the clang tree, whose precompiled headers clang-tidy can read).
#
# A file found clean is not checked again while it, the project's headers it includes (as the
# build tree's dependency records list them; every header for a file not built yet), the build
# files, the lint settings, clang-tidy and the libraries' headers stay the same: its pass is
# remembered in ~/.cache/beatwright/lint (BW_LINT_CACHE) under a digest of all of those
# (scripts/lint_keys.py). Findings are never remembered, so a file with one is checked every
# time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/asan}
cache=${BW_LINT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/beatwright/lint}
mkdir -p "$cache"

# What every file's result depends on besides the file itself.
common=$({
  clang-tidy --version
  dpkg-query -W qt6-base-dev libsdl2-dev libgtest-dev libsndfile1-dev libsamplerate0-dev \
    libstdc++-12-dev 2>/dev/null || true
  git ls-files -z '*.clang-tidy' 'CMakePresets.json' '*CMakeLists.txt' 'cmake/*' |
    xargs -0 cat
} | sha256sum | cut -c1-64)
export build cache common

lint_one() {
  local key=$1 file=$2 out status=0
  [ -e "$cache/$key" ] && return 0
  out=$(clang-tidy -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option "$file" 2>&1) ||
    status=$?
  # Only the counts of warnings suppressed in system headers are dropped.
  out=$(grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' <<<"$out" || true)
  if [ "$status" -eq 0 ] && [ -z "$out" ]; then
    touch "$cache/$key"
    return 0
  fi
  echo "$out"
  return 1
}
export -f lint_one

if [ $# -gt 1 ]; then
  files=("${@:2}")
else
  mapfile -d '' files < <(git ls-files -z 'core/*.cpp' 'library/*.cpp' 'audio/*.cpp' \
    'app/*.cpp' 'ui/*.cpp')
fi
python3 scripts/lint_keys.py "$build" "$common" "${files[@]}" |
  xargs -P2 -n2 bash -c 'lint_one "$1" "$2"' lint_one
