#!/usr/bin/env bash
# The main job, simulated: builds Nimbrava.dll with the stand-in game host and ENB, then under Wine
# the host loads the plugin and calls both entry points, and ENB walks the player through
# worldspaces, calling the plugin's callback at each step and reloading when asked. What
# YarrinMain gave, then one line per step: the step, the worldspace ID, the weather list file ENB
# read, under enbseries (or "-": no reload); then the plugin's log.
#
#   scripts/demo.sh [--enbseries DIR] [--walk ID,ID,...] [--logs DIR] [--no-enb-loading-point]
#
# --enbseries DIR  ENB's folder with _weatherlist.ini and _nimbrava.ini (default: examples/enbseries);
#                  the game runs in its parent folder, as the real game runs beside its enbseries.
# --walk IDS       worldspace IDs, hexadecimal (0x optional, 0 allowed), separated by commas
#                  (default: through Tamriel, Solstheim, a mod's worldspace, an unlisted one and back).
# --logs DIR       the folder the host gives the plugin for Nimbrava.log (default: build/windows/logs).
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

fail() { echo "demo: $*" >&2; exit 2; }

enbseries="$ROOT/examples/enbseries"
walk="3C,3C,4000800,2A001234,FAB,0,3C"
logs="$ROOT/build/windows/logs"
host_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --enbseries|--walk|--logs) [ $# -ge 2 ] || fail "$1 needs a value" ;;&
    --enbseries) enbseries=$2; shift 2 ;;
    --walk) walk=$2; shift 2 ;;
    --logs) logs=$2; [ -d "$logs" ] || fail "no log directory $logs"; shift 2 ;;
    --no-enb-loading-point) host_args+=("$1"); shift ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) fail "unknown option $1 (see --help)" ;;
  esac
done
[ -d "$enbseries" ] || fail "no enbseries directory $enbseries"
enbseries=$(realpath "$enbseries")
IFS=, read -ra ids <<<"$walk"
[ ${#ids[@]} -gt 0 ] || fail "--walk needs at least one worldspace ID"
for id in "${ids[@]}"; do
  [[ $id =~ ^(0[xX])?[0-9a-fA-F]{1,8}$ ]] || fail "not a 32-bit hexadecimal worldspace ID: '$id'"
done
mkdir -p "$logs"
logs=$(realpath "$logs") # folders given on the command line are relative to where it was typed

cd "$ROOT"
ensure_packages
log "Building Nimbrava.dll, the stand-in host and ENB"
mkdir -p build
# A build that scripts/test.sh made is reused as it is configured (with or without CI's -Werror).
{
  if [ ! -f build/windows/build.ninja ]; then cmake --preset windows; fi
  cmake --build --preset windows --target Nimbrava nimbrava-host EnbDouble YarrinDouble
} >build/demo-build.log 2>&1 || { cat build/demo-build.log; exit 1; }

# The game runs in the parent of its enbseries folder; a folder by another name is linked in.
game=$(dirname "$enbseries")
if [ "$(basename "$enbseries")" != enbseries ]; then
  game="$ROOT/build/windows/demo-game"
  mkdir -p "$game"
  ln -sfn "$enbseries" "$game/enbseries"
fi

wine_start
log "Playing in $game"
cd "$game"
"$ROOT/cmake/wine-run.sh" "$ROOT/build/windows/bin/nimbrava-host.exe" --logs "$(winepath -w "$logs" 2>/dev/null)" \
  --walk "$walk" "${host_args[@]}"
