#!/usr/bin/env bash
# The main job: builds Nimbrava.dll and the stand-in host, and has the real Windows loader (Wine)
# load the plugin and call its entry points; then shows Nimbrava.log.
#
#   scripts/demo.sh [--logs DIR] [--no-enb-loading-point]
#
# --logs DIR: the log directory the host gives the plugin (default: build/windows/logs).
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
cd "$ROOT"

args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --logs)
      [ $# -ge 2 ] || { echo "demo: --logs needs a directory" >&2; exit 2; }
      args+=(--logs "$(realpath -m "$2")"); shift 2 ;;
    --no-enb-loading-point) args+=("$1"); shift ;;
    -h|--help) sed -n '2,7p' "$0"; exit 0 ;;
    *) echo "demo: unknown option $1" >&2; exit 2 ;;
  esac
done

ensure_packages
log "Building Nimbrava.dll"
mkdir -p build
if ! build_preset windows >build/demo-build.log 2>&1; then
  cat build/demo-build.log
  exit 1
fi
wine_start
# Unix paths for the host become Windows paths through Wine's Z: drive.
for i in "${!args[@]}"; do
  if [ "${args[$i]}" = "--logs" ]; then args[$((i + 1))]=$(winepath -w "${args[$((i + 1))]}" 2>/dev/null); fi
done
log "Loading it in the host"
"$ROOT/cmake/wine-run.sh" "$ROOT/build/windows/bin/nimbrava-host.exe" "${args[@]}"
