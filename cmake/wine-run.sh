#!/bin/sh
# Runs a Windows program under Wine with the project's settings. The prefix defaults to one inside
# the build tree that holds the program (CMake's cross-compiling emulator for the windows build).
if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$1")" && pwd)
  while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ -f "$dir/CMakeCache.txt" ] || dir=$(cd "$(dirname "$1")" && pwd)
  WINEPREFIX="$dir/wineprefix"
fi
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;d3d11=n}"
if command -v wine64 >/dev/null 2>&1; then exec wine64 "$@"
elif [ -x /usr/lib/wine/wine64 ]; then exec /usr/lib/wine/wine64 "$@"
else exec wine "$@"
fi
