#!/usr/bin/env bash
# Render benchmark: writes the shared workloads W1 and W2 as a Beatwright song and library,
# then times a whole-process song export through beatwright-cli with the shared measuring
# script (5 timed runs after one warm-up), and in the same pass the limit kernel (the least
# work such an export needs, bench/limit_kernel.cpp), whose file must be the export's byte for
# byte. With --peers it also times Hydrogen's h2cli in the same pass (needs: apt-get install
# hydrogen sox time).
#   bench/run.sh [--peers]        RUNS=5 OUT=/tmp/bw-bench
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
shared="${BW_SHARED:-$root/../shared}/bench"
out="${OUT:-/tmp/bw-bench}"
runs="${RUNS:-5}"
mkdir -p "$out"

cmake --preset release -DBW_BUILD_BENCH=ON >/dev/null
cmake --build --preset release -j2 --target beatwright-cli make_workload limit_kernel >/dev/null
bin="$root/build/release"

results="$out/beatwright.jsonl"
: > "$results"
for w in W1 W2; do
  lw=${w,,}
  "$bin/make_workload" "$shared/workload/$lw.tsv" "$out/$lw.bwp" "$out/$lw.slb"
  python3 "$shared/peers/tools/measure.py" --label beatwright --workload "$w" --runs "$runs" \
    --wav "$out/$lw.wav" --json "$results" \
    -- "$bin/beatwright-cli" render "$out/$lw.bwp" --library "$out/$lw.slb" --song -o "$out/$lw.wav"
  python3 "$shared/peers/tools/measure.py" --label limit-kernel --workload "$w" --runs "$runs" \
    --wav "$out/$lw-kernel.wav" --json "$results" \
    -- "$bin/limit_kernel" "$shared/workload/$lw.tsv" "$out/$lw-kernel.wav"
  cmp "$out/$lw.wav" "$out/$lw-kernel.wav"
done

if [ "${1:-}" = "--peers" ]; then
  OUT="$out/peers" RUNS="$runs" bash "$shared/peers/run-hydrogen.sh"
fi
