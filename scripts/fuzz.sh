#!/usr/bin/env bash
# Runs one libFuzzer target for longer than the test suite does:
#   scripts/fuzz.sh TARGET [SECONDS]      (default 60 s)
# It starts from the seeds in fuzz/corpus/TARGET. New inputs go to build/fuzz/corpus-work/TARGET,
# never into the repository; a failing input is saved as build/fuzz/artifacts/TARGET-*.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
cd "$ROOT"
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS]}
seconds=${2:-60}
ensure_packages
build_preset fuzz
work="$ROOT/build/fuzz/corpus-work/$target"
mkdir -p "$work" "$ROOT/build/fuzz/artifacts"
log "Fuzzing $target for $seconds s"
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 "$ROOT/build/fuzz/bin/$target" \
  -max_total_time="$seconds" -max_len=65536 -artifact_prefix="$ROOT/build/fuzz/artifacts/$target-" \
  "$work" "$ROOT/fuzz/corpus/$target"
