#!/usr/bin/env bash
# Line and branch coverage of Orvel/, plugin/ and tools/ from the native tests: builds the
# `coverage` preset (gcov instrumentation, -O0), runs its tests, prints a summary per folder and
# writes an HTML report to build/coverage/html/index.html. With --windows it also builds a
# gcov-instrumented Windows build (build/coverage-windows), runs its tests under Wine and merges their
# data (MinGW's gcov writes through GCOV_PREFIX into the Unix tree via Wine's Z: drive).
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
  # At -O0 MinGW's libstdc++ and our objects both define std::type_info::operator==; the two are
  # the same inline function, so the linker may keep either.
  cmake -S "$ROOT" -B "$wout" -G Ninja --toolchain "$ROOT/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Debug -DNIMBRAVA_BENCHMARKS=OFF \
    "-DCMAKE_CXX_FLAGS=--coverage -O0" "-DCMAKE_C_FLAGS=--coverage -O0" \
    "-DCMAKE_EXE_LINKER_FLAGS=--coverage -Wl,--allow-multiple-definition" \
    "-DCMAKE_SHARED_LINKER_FLAGS=--coverage -Wl,--allow-multiple-definition" >/dev/null
  cmake --build "$wout"
  find "$wout" -name '*.gcda' -delete
  wine_start
  (cd "$wout" && ctest -j2 --output-on-failure) || true
  roots+=("$wout")
fi

mkdir -p "$out/html"
filters=(--filter "$ROOT/Orvel/" --filter "$ROOT/plugin/" --filter "$ROOT/tools/")
gcov_exe=(--gcov-executable gcov)
for folder in Orvel plugin tools; do
  log "Coverage of $folder/"
  gcovr -r "$ROOT" "${gcov_exe[@]}" --filter "$ROOT/$folder/" --gcov-ignore-parse-errors \
    --exclude-unreachable-branches --exclude-throw-branches -s "${roots[@]}" 2>/dev/null \
    | grep -E '^(lines|branches):'
done
gcovr -r "$ROOT" "${gcov_exe[@]}" "${filters[@]}" --gcov-ignore-parse-errors \
  --exclude-unreachable-branches --exclude-throw-branches \
  --html-details "$out/html/index.html" "${roots[@]}" >/dev/null 2>&1
log "HTML report: $out/html/index.html"
