#!/usr/bin/env bash
# Builds the fuzzers (clang, `fuzz` preset), writes the seed corpora and runs each fuzzer for
# SECONDS (default 300): the pattern file reader, the library file reader and writer, the WAV reader,
# sample import's loader and the render engine (song bytes rendered with a small fixed library, seeded with the hostile songs of
# tests/data/hostile). Exits non-zero when a fuzzer finds a crash, a leak, undefined
# behaviour or an input that runs longer than 30 s; the input that failed is left in
# build/fuzz/artifacts/.
set -euo pipefail

seconds="${1:-300}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build/fuzz"

cd "$root"
cmake --preset fuzz >/dev/null
cmake --build "$build" -j2 --target fuzz_pattern_file fuzz_library_file fuzz_library_writer fuzz_wav_file \
  fuzz_sample_file fuzz_render \
  write_fuzz_seeds

corpus="$build/corpus"
"$build/write_fuzz_seeds" "$corpus"
mkdir -p "$corpus/render" "$build/artifacts"
cp "$corpus"/pattern/* "$root"/tests/data/hostile/*.bwp "$corpus/render/"

status=0
for target in pattern_file library_file library_writer wav_file sample_file render; do
  exe="$build/fuzz_${target}"
  log="$build/fuzz_${target}.log"
  corpus_dir="$corpus/${target%_file}"
  [[ "$target" == library_writer ]] && corpus_dir="$corpus/writer"
  echo "== fuzz_${target} for ${seconds}s (log: $log)"
  dict=()
  if [[ "$target" == pattern_file || "$target" == render ]]; then
    dict=(-dict="$root/tests/fuzz/pattern_file.dict")
  fi
  if ! "$exe" "$corpus_dir" "${dict[@]}" -max_total_time="$seconds" -rss_limit_mb=4096 \
       -timeout=30 -artifact_prefix="$build/artifacts/${target}-" -print_final_stats=1 \
       >"$log" 2>&1; then
    echo "!! fuzz_${target} failed; see $log"
    status=1
  fi
  grep -E '^Done [0-9]+ runs' "$log" || true
done
exit "$status"
