#!/usr/bin/env bash
# Builds the fuzzers (clang, `fuzz` preset), writes the seed corpora and runs each fuzzer for
# SECONDS (default 300). Exits non-zero when a fuzzer finds a crash, a leak or undefined
# behaviour; the input that failed is left in build/fuzz/artifacts/.
set -euo pipefail

seconds="${1:-300}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build/fuzz"

cd "$root"
cmake --preset fuzz >/dev/null
cmake --build "$build" --target fuzz_pattern_file fuzz_library_file fuzz_wav_file fuzz_sample_file \
  write_fuzz_seeds

corpus="$build/corpus"
"$build/write_fuzz_seeds" "$corpus"
mkdir -p "$build/artifacts"

status=0
for target in pattern library wav sample; do
  exe="$build/fuzz_${target}_file"
  log="$build/fuzz_${target}_file.log"
  echo "== fuzz_${target}_file for ${seconds}s (log: $log)"
  dict=()
  if [[ -f "$root/tests/fuzz/${target}_file.dict" ]]; then
    dict=(-dict="$root/tests/fuzz/${target}_file.dict")
  fi
  if ! "$exe" "$corpus/$target" "${dict[@]}" -max_total_time="$seconds" -rss_limit_mb=4096 \
       -artifact_prefix="$build/artifacts/${target}-" -print_final_stats=1 >"$log" 2>&1; then
    echo "!! fuzz_${target}_file failed; see $log"
    status=1
  fi
  grep -E '^Done [0-9]+ runs' "$log" || true
done
exit "$status"
