# Shared by the scripts: installing what the build needs, and a warm Wine for the Windows programs.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Debian packages the build and the tests need. Installed only when missing.
NIMBRAVA_PACKAGES=(
  cmake ninja-build g++
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 locales
  libfmt-dev googletest libbenchmark-dev libspdlog-dev libinih-dev nlohmann-json3-dev
  zlib1g-dev libz-mingw-w64-dev
  clang-16 libclang-rt-16-dev lld llvm
  clang-format-16
)

# The one clang-format whose output .clang-format describes; others format some constructs otherwise.
CLANG_FORMAT=clang-format-16

# Each step with the seconds since the script started, to see where CI's time goes.
log() { printf '\033[1m==> %s (at %ss)\033[0m\n' "$*" "$SECONDS"; }

ensure_packages() {
  local missing=()
  for p in "${NIMBRAVA_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "Installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configure (once) and build one preset. Warnings are errors in CI.
build_preset() {
  local preset=$1
  local werror=OFF
  [ "${CI:-}" = "true" ] && werror=ON
  local cache="$ROOT/build/$preset/CMakeCache.txt"
  if [ ! -f "$ROOT/build/$preset/build.ninja" ] || ! grep -q "^NIMBRAVA_WERROR:BOOL=$werror$" "$cache"; then
    cmake --preset "$preset" -DNIMBRAVA_WERROR=$werror >/dev/null
  fi
  cmake --build --preset "$preset"
}

# A persistent wineserver and one finished Wine start, both detached from our pipes: without them
# every Windows test process pays ~3 s of Wine start-up and CTest waits on inherited pipes.
wine_start() {
  export WINEPREFIX="$ROOT/build/windows/wineprefix" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;d3d11=n"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "Creating the Wine prefix (once)"
    wineboot --init </dev/null >/dev/null 2>&1 || true
  fi
  (wineserver -p 300 </dev/null >/dev/null 2>&1 &)
  "$ROOT/cmake/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1 || true
  trap wine_stop EXIT
}

wine_stop() {
  WINEPREFIX="$ROOT/build/windows/wineprefix" wineserver -k >/dev/null 2>&1 || true
}

# Every C and C++ file git knows, checked against .clang-format; `fix` rewrites them instead.
check_format() {
  local mode=${1:-check}
  local files
  mapfile -t files < <(git -C "$ROOT" ls-files --cached --others --exclude-standard -- '*.c' '*.cpp' '*.h')
  [ ${#files[@]} -gt 0 ] || return 0
  if [ "$mode" = fix ]; then
    (cd "$ROOT" && "$CLANG_FORMAT" -i "${files[@]}")
  else
    (cd "$ROOT" && "$CLANG_FORMAT" --dry-run --Werror "${files[@]}")
  fi
}
