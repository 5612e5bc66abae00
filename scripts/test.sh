#!/usr/bin/env bash
# The whole test suite: the format check, the native build (unit tests, once more under the
# sanitizers, fuzzers for a bounded number of runs), the Linux release of the checker (its archive) and
# the Windows build (unit and end-to-end tests under Wine, the Windows archives). Exits non-zero on any
# failure.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
cd "$ROOT"
ensure_packages

status=0
log "Format (scripts/format.sh rewrites what this finds)"
check_format || status=1

log "Native build"
build_preset native
ctest --preset native || status=1

log "Linux release: nimbrava-check linked statically, its archive and a fresh install"
build_preset linux-release
ctest --preset linux-release || status=1

log "Native build with AddressSanitizer and UndefinedBehaviorSanitizer"
build_preset native-asan
ctest --preset native-asan || status=1

if compgen -G "fuzz/*.cpp" >/dev/null; then
  log "Fuzzers (bounded runs, fixed seed)"
  build_preset fuzz
  ctest --preset fuzz || status=1
fi

log "Windows build"
build_preset windows
wine_start
ctest --preset windows || status=1

exit $status
