#!/usr/bin/env bash
# The command line attacks of the "nothing lost" audit, one line of figures each:
#   bench/nothing_lost.sh BUILD_DIR [FINDING...]
# BUILD_DIR holds beatwright-cli and attack_files (e.g. build/release). FINDINGs pick the
# checks to run (1 2 3 5 6 7 8; default all). Every file is made in a temporary folder under
# /tmp and removed at the end; the huge inputs are sparse. Finding 1 writes up to 1 GiB for
# real when the writer lets it through, and finding 7 a 300 MB library.
set -uo pipefail

build="$(cd "${1:?usage: nothing_lost.sh BUILD_DIR [FINDING...]}" && pwd)"
shift
cli="$build/beatwright-cli"
findings=("${@:-1 2 3 5 6 7 8}")
findings=(${findings[*]})
work="$(mktemp -d /tmp/bw-attack-XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$build/attack_files" "$work"
cd "$work"

wants() { [[ " ${findings[*]} " == *" $1 "* ]]; }
sounds() { "$cli" info "$1" --json 2>/dev/null | grep -c '"Name"'; }
# Runs a command with a time limit; prints "exit CODE, S s wall, C s CPU, R MB peak RSS".
measure() {
  local limit="$1"
  shift
  /usr/bin/time -f '%e %U %S %M' -o "$work/.time" timeout -s KILL "$limit" "$@" \
    >"$work/.out" 2>"$work/.err"
  local code=$?
  read -r wall user sys rss < <(tail -n 1 "$work/.time" 2>/dev/null) || true
  if [[ $code == 137 ]]; then
    echo "killed after ${limit}s (still running), $(echo "${user:-0} + ${sys:-0}" | bc) s CPU"
  else
    echo "exit $code, ${wall:-?} s wall, $(echo "${user:-0} + ${sys:-0}" | bc) s CPU, $(( ${rss:-0} / 1024 )) MB peak RSS"
  fi
}

if wants 1; then
  cp --sparse=always near_limit.slb lib1.slb
  echo "1  add-sound on a library 1087 bytes under 1 GiB: $(measure 120 "$cli" add-sound tone.wav --library lib1.slb)"
  echo "   file now $(stat -c %s lib1.slb) bytes; info: $("$cli" info lib1.slb --json >/dev/null 2>&1 && echo reads || echo refuses); stderr: $(head -c 200 .err)"
  rm -f lib1.slb
fi

if wants 2; then
  cp kit.slb lib2.slb
  for i in 1 2 3 4 5 6 7 8; do "$cli" add-sound tone.wav --library lib2.slb --name "p$i" >"out$i" 2>&1 & done
  wait
  echo "2  8 concurrent add-sounds on a 3-sound library: $(grep -l '^p[0-9]$' out? | wc -l) printed a name, library now holds $(sounds lib2.slb) sounds"
  rm -f lib2.slb out?
fi

if wants 3; then
  mkfifo fifo.wav
  cp kit.slb lib3.slb
  echo "3  add-sound on a FIFO: $(measure 10 "$cli" add-sound fifo.wav --library lib3.slb) $(head -c 120 .err)"
  echo "   4 GB sparse zero-chunk WAV: $(measure 60 "$cli" add-sound zero_chunks.wav --library lib3.slb) $(head -c 160 .err)"
  echo "   WAV at 11,289,600 Hz, 10 s: $(measure 300 "$cli" add-sound fast_rate.wav --library lib3.slb) $(head -c 160 .err)"
  rm -f fifo.wav lib3.slb
fi

if wants 5; then
  cp kit.slb ro.slb
  chmod 0444 ro.slb
  before=$(sha256sum <ro.slb)
  echo "5  0444 library: $(measure 20 "$cli" add-sound tone.wav --library ro.slb) $(head -c 120 .err); content $([[ $(sha256sum <ro.slb) == "$before" ]] && echo unchanged || echo replaced), mode $(stat -c %a ro.slb)"
  mkdir -p links
  ln -s ../target.slb links/dangling.slb
  echo "   dangling link as --library: $(measure 20 "$cli" add-sound tone.wav --library links/dangling.slb); links/dangling.slb is $(stat -c %F links/dangling.slb), target.slb $([[ -f target.slb ]] && echo "made ($(sounds target.slb) sound)" || echo missing)"
  rm -rf ro.slb links target.slb
fi

if wants 6; then
  long251="$(printf 'L%.0s' $(seq 247)).slb"
  long252="$(printf 'W%.0s' $(seq 248)).wav"
  echo "6  251-character library name: $(measure 20 "$cli" add-sound tone.wav --library "$long251") ...$(head -n 1 .err | tail -c 70)"
  cp kit.slb render.slb
  echo "   252-character -o name: $(measure 60 "$cli" render slow.bwp --library render.slb --pattern -o "$long252") $(grep -v rendering .err | tr '\n' ' ' | tail -c 120)"
  rm -f "$long251" "$long252" render.slb
fi

if wants 7; then
  leftovers() { find . -maxdepth 1 \( -name '*.tmp-*' -o -name '.beatwright.tmp-*' \) -printf '%s ' | awk '{for(i=1;i<=NF;i++){n++;s+=$i}} END{printf "%d files, %.0f MB", n, s/1048576}'; }
  "$cli" render slow.bwp --library kit.slb --song -o out.wav 2>/dev/null &
  pid=$!
  sleep 2
  kill -HUP $pid
  wait $pid
  echo "7  SIGHUP during render: exit $?, left $(leftovers)"
  find . -maxdepth 1 \( -name '*.tmp-*' -o -name '.beatwright.tmp-*' \) -delete
  ( "$cli" render slow.bwp --library kit.slb --song -o out.wav 2>&1; echo "exit $?" >pipe.status ) | head -c 1 >/dev/null
  sleep 1
  echo "   stderr piped to head: $(cat pipe.status 2>/dev/null || echo 'killed by SIGPIPE'), left $(leftovers)"
  find . -maxdepth 1 \( -name '*.tmp-*' -o -name '.beatwright.tmp-*' \) -delete
  rm -f out.wav pipe.status
  cp big.slb lib7.slb
  "$cli" add-sound tone.wav --library lib7.slb >/dev/null 2>&1 &
  pid=$!
  sleep "${KILL_AFTER:-1.5}" # seconds into the save; the older writer starts writing later
  kill -9 $pid
  wait $pid 2>/dev/null
  echo "   kill -9 during a 300 MB library save: left $(leftovers)"
  find . -maxdepth 1 \( -name '*.tmp-*' -o -name '.beatwright.tmp-*' \) -exec touch -d '2 days ago' {} +
  "$cli" add-sound tone.wav --library kit.slb >/dev/null 2>&1
  echo "   after the next write (the leftovers made 2 days old): $(leftovers)"
  find . -maxdepth 1 \( -name '*.tmp-*' -o -name '.beatwright.tmp-*' \) -delete
  rm -f lib7.slb
fi

if wants 8; then
  cp kit.slb lib8.slb
  esc=$'\e'
  "$cli" add-sound tone.wav --library lib8.slb --name "${esc}]0;x"$'\a' >out8 2>err8
  echo "8  --name ESC]0;x BEL: stdout $(grep -q "$esc" out8 && echo 'holds the raw ESC' || echo "escaped: $(cat out8)")"
  "$cli" add-sound tone.wav --library "new${esc}[31m.slb" >out8 2>err8
  echo "   path with ESC, new library line: $(grep -q "$esc" err8 && echo 'raw ESC on stderr' || echo "escaped: $(cat err8)")"
  "$cli" add-sound "no${esc}[31m.wav" --library lib8.slb >out8 2>err8
  echo "   missing file with ESC: $(grep -q "$esc" err8 && echo 'raw ESC on stderr' || echo "escaped: $(cat err8)")"
  "$cli" add-sound tone.wav --library lib8.slb --name "" >out8 2>err8
  echo "   --name \"\": exit $?, stdout '$(cat out8)', stderr '$(cat err8)'"
  rm -f lib8.slb "new${esc}[31m.slb" out8 err8
fi
