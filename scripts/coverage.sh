#!/usr/bin/env bash
# Line and branch coverage of Orvel/, plugin/ and tools/ from the native tests: builds the
# `coverage` preset (gcov instrumentation, -O0), runs its tests, prints a summary per folder and
# writes an HTML report to build/coverage/html/index.html. With --windows it also builds a
# gcov-instrumented Windows build (build/coverage-windows), runs its tests under Wine and merges their
# data: MinGW's libgcov writes them into the Unix tree through Wine's Z: drive.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
cd "$ROOT"
ensure_packages
command -v gcovr >/dev/null || { NIMBRAVA_PACKAGES=(gcovr); ensure_packages; }

windows=0
[ "${1:-}" = "--windows" ] && windows=1

out="$ROOT/build/coverage"
log "Coverage build (native)"
[ -f "$out/build.ninja" ] || cmake --preset coverage >/dev/null
cmake --build --preset coverage
find "$out" -name '*.gcda' -delete
ctest --preset coverage || true   # failures show above; coverage of a failing run is still reported

roots=("$out")
if [ $windows = 1 ]; then
  wout="$ROOT/build/coverage-windows"
  log "Coverage build (Windows, tests under Wine)"
  # Only C++ is instrumented: the C test modules are built without the C runtime (-nostdlib), which
  # libgcov needs. At -O0 MinGW's static libstdc++ and our objects both define
  # std::type_info::operator==; the two are the same inline function, so the linker may keep either.
  cmake -S "$ROOT" -B "$wout" -G Ninja --toolchain "$ROOT/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Debug -DNIMBRAVA_BENCHMARKS=OFF \
    "-DCMAKE_CXX_FLAGS=--coverage -O0" "-DCMAKE_C_FLAGS=-O0" \
    "-DCMAKE_EXE_LINKER_FLAGS=-static --coverage -Wl,--allow-multiple-definition" \
    "-DCMAKE_SHARED_LINKER_FLAGS=-static --coverage -Wl,--allow-multiple-definition" >/dev/null
  cmake --build "$wout"
  find "$wout" -name '*.gcda' -delete
  wine_start
  # libgcov writes each .gcda to the Unix path of its object. Under Wine "/work/..." is taken on the
  # current drive, which is C: for a test that moved into a temporary folder: the prefix keeps it on
  # Z:, the whole Unix tree.
  (cd "$wout" && GCOV_PREFIX=Z: ctest -j2 --output-on-failure) || true
  roots+=("$wout")
fi

# The code page tables' writer runs during the build, not in the tests; its test is the tables'.
gcov_options=(-r "$ROOT" --gcov-executable gcov --gcov-ignore-parse-errors --exclude-unreachable-branches
  --exclude-throw-branches --exclude "$ROOT/tools/nimbrava-check/text/code-pages/")
summary() { # label, folders, build trees
  local label=$1 folder
  local -a folders
  read -ra folders <<<"$2"
  shift 2
  for folder in "${folders[@]}"; do
    printf '%-22s %s\n' "$label $folder/:" "$(gcovr "${gcov_options[@]}" --filter "$ROOT/$folder/" -s "$@" \
      2>/dev/null | grep -E '^(lines|branches):' | tr '\n' ' ')"
  done
}
report() { # build tree
  mkdir -p "$1/html"
  gcovr "${gcov_options[@]}" --filter "$ROOT/Orvel/" --filter "$ROOT/plugin/" --filter "$ROOT/tools/" \
    --html-details "$1/html/index.html" "$1" >/dev/null 2>&1
  log "HTML report: $1/html/index.html"
}
log "Coverage per folder"
summary native "Orvel plugin tools" "$out"
if [ $windows = 1 ]; then
  summary Windows "Orvel plugin tools" "$wout"
  # tools/ is not summed: the checker's Windows and Linux builds compile different code at the same
  # lines, which gcovr cannot merge.
  summary both "Orvel plugin" "${roots[@]}"
fi
report "$out"
[ $windows = 0 ] || report "$wout"
