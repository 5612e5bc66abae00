#!/usr/bin/env bash
# The main job: builds Nimbrava.dll and the stand-in host, and has the real Windows loader (Wine)
# load the plugin.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
cd "$ROOT"
ensure_packages

log "Building Nimbrava.dll"
build_preset windows >/dev/null
wine_start
log "Loading it in the host"
"$ROOT/cmake/wine-run.sh" "$ROOT/build/windows/bin/nimbrava-host.exe" "$@"
