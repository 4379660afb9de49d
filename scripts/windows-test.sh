#!/usr/bin/env bash
# Cross-builds core/ and the radio protocol for 64-bit Windows with their tests (mingw-w64,
# GoogleTest from Debian's sources, warnings as errors) and runs the tests under Wine; prints
# what the step cost. windows-test.sh [DIR], DIR defaulting to build-windows.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}

# A Wine of its own in the build folder, silent, and without the offers to fetch Mono and Gecko.
export WINEPREFIX=$PWD/$dir/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
TIMEFORMAT="windows check: %0R s elapsed, %0U s user + %0S s system CPU"
time {
  scripts/build.sh "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    --no-warn-unused-cli -DVELMORA_CORE_ONLY=ON -DVELMORA_GTEST_SOURCE=/usr/src/googletest \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON "$@"
  # A new Wine is set up once, before tests run side by side in it.
  if [ ! -d "$WINEPREFIX" ]; then
    wine=$(sed -n 's/^VELMORA_WINE:FILEPATH=//p' "$dir/CMakeCache.txt")
    "$wine" wineboot --init >/dev/null 2>&1
    "$(dirname "$wine")/wineserver" --wait
  fi
  ctest --test-dir "$dir" --output-on-failure --parallel "${VELMORA_TEST_JOBS:-$(nproc)}"
}
