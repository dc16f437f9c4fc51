#!/usr/bin/env bash
# Builds the fuzzers, writes the seed corpora and runs each fuzzer for SECONDS (default 300),
# two at a time (FUZZ_JOBS; one per core here): the pattern file reader, the library file reader
# and writer, the WAV reader,
# sample import's loader and the render engine (song bytes rendered with a small fixed library, seeded with the hostile songs of
# tests/data/hostile). Exits non-zero when a fuzzer finds a crash, a leak, undefined
# behaviour or an input that runs longer than 30 s; the input that failed is left in
# BUILD/artifacts/.
#   tests/fuzz/run.sh [SECONDS] [BUILD]   BUILD: a configured tree that builds the fuzzers, such
#   as build/asan (CI's); without it the `fuzz` preset is configured in build/fuzz.
set -euo pipefail

seconds="${1:-300}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
jobs="${FUZZ_JOBS:-2}"

cd "$root"
if [ -n "${2:-}" ]; then
  build="$(cd "$2" && pwd)"
else
  build="$root/build/fuzz"
  cmake --preset fuzz >/dev/null
fi
cmake --build "$build" -j2 --target fuzz_pattern_file fuzz_library_file fuzz_library_writer \
  fuzz_wav_file \
  fuzz_sample_file fuzz_render \
  write_fuzz_seeds

corpus="$build/corpus"
"$build/write_fuzz_seeds" "$corpus"
mkdir -p "$corpus/render" "$build/artifacts"
cp "$corpus"/pattern/* "$root"/tests/data/hostile/*.bwp "$corpus/render/"

# One fuzzer: prints its summary; exits non-zero when it found something.
run_one() {
  local target="$1" exe="$build/fuzz_$1" log="$build/fuzz_$1.log" corpus_dir="$corpus/${1%_file}"
  [[ "$target" == library_writer ]] && corpus_dir="$corpus/writer"
  local dict=()
  if [[ "$target" == pattern_file || "$target" == render ]]; then
    dict=(-dict="$root/tests/fuzz/pattern_file.dict")
  fi
  if ! "$exe" "$corpus_dir" "${dict[@]}" -max_total_time="$seconds" -rss_limit_mb=4096 \
       -timeout=30 -artifact_prefix="$build/artifacts/${target}-" -print_final_stats=1 \
       >"$log" 2>&1; then
    echo "!! fuzz_${target} failed; see $log"
    return 1
  fi
  echo "== fuzz_${target}, ${seconds}s: $(grep -E '^Done [0-9]+ runs' "$log" || echo 'no summary')"
}
export -f run_one
export build corpus root seconds

printf '%s\n' pattern_file library_file library_writer wav_file sample_file render |
  xargs -P "$jobs" -I{} bash -c 'run_one {}'
