#!/usr/bin/env bash
# A longer fuzzing run than the test suite's: every libFuzzer target (or the ones named) for a given
# time each, starting from the seed corpus in fuzz/corpus/<target> (or the one the build wrote) and
# keeping what it finds in build/fuzz/found/<target>, never in the repository. A failing input is
# saved as build/fuzz/<target>-crash-* and the script exits non-zero.
#
#   scripts/fuzz.sh                       # every target, 300 s each
#   FUZZ_SECONDS=60 scripts/fuzz.sh FuzzIni
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
cd "$ROOT"
ensure_packages

seconds=${FUZZ_SECONDS:-300}
build_preset fuzz
targets=("$@")
# Every target by default: each is also a test of its own name in the fuzz build.
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(ctest --preset fuzz -N | sed -n 's/^ *Test *#[0-9]*: //p')
[ ${#targets[@]} -gt 0 ] || { log "No fuzz targets found in build/fuzz"; exit 1; }

status=0
for target in "${targets[@]}"; do
  log "$target for ${seconds}s"
  found="build/fuzz/found/$target"
  # Seeds written from a description are in the build tree (fuzz/CMakeLists.txt).
  seeds="fuzz/corpus/$target"
  [ -d "$seeds" ] || seeds="build/fuzz/fuzz/corpus/$target"
  mkdir -p "$found"
  rm -f "build/fuzz/$target"-crash-* "build/fuzz/$target"-timeout-* "build/fuzz/$target"-oom-*
  options=(-max_total_time="$seconds" -max_len=65536 -print_final_stats=1
           -artifact_prefix="build/fuzz/$target-")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build/fuzz/bin/$target" "${options[@]}" "$found" "$seeds" 2>&1 \
    | grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY|.*property failed)' || true
  if compgen -G "build/fuzz/$target-crash-*" >/dev/null || compgen -G "build/fuzz/$target-timeout-*" >/dev/null \
     || compgen -G "build/fuzz/$target-oom-*" >/dev/null; then
    log "$target: failing inputs in build/fuzz/$target-*"
    status=1
  fi
done
exit $status
