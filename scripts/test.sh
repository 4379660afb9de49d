#!/usr/bin/env bash
# Sets everything up and runs all tests: the tests that need real timing in a release build, then
# the Windows build of core/ and the radio protocol under Wine (scripts/windows-test.sh), then
# every other test under AddressSanitizer with UndefinedBehaviorSanitizer, then ThreadSanitizer
# for the tests that exercise threads, then the Debian package made from the first build, whose
# programs carry Debian's flags (scripts/package.sh).
# Every build treats warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
lap=$SECONDS
# What each step cost, for whoever wants the run shorter.
lap() {
  echo "== $1: $((SECONDS - lap)) s"
  lap=$SECONDS
}
scripts/setup.sh build
lap "set-up for building"
# The rest (Wine, the browser, PostgreSQL, fonts, the package's checks) installs while the release
# build compiles: mostly downloads. A failed step still lets it finish, never leaving dpkg halfway.
mkdir -p build-logs
scripts/setup.sh >build-logs/setup.log 2>&1 &
setup=$!

# While tests run (they mostly wait on simulated lines, meters and timers), the next build goes on
# beside them at the lowest priority, in a process group of its own so that a failure anywhere
# stops its compilers too. Tests labelled "alone" (they watch short timers) run with nothing beside.
beside_groups=()
beside() {
  setsid nice -n 19 "$@" >"build-logs/$(basename "$2").log" 2>&1 &
  beside_groups+=($!)
}
trap 'for group in "${beside_groups[@]}"; do kill -- "-$group" 2>/dev/null || true; done; wait' EXIT
finish() {
  wait "$1" || { echo "test: $2 failed:" >&2; tail -n 60 "build-logs/$2.log" >&2; exit 1; }
}

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
# Quoted: the checkout's path may hold spaces.
export LSAN_OPTIONS="suppressions='$PWD/tests/lsan.supp':print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Debian's Qt is not built for ThreadSanitizer: its futex-based locks are invisible to it, so only
# accesses made from our own (instrumented) code are checked; Qt's synchronisation still counts.
export TSAN_OPTIONS=ignore_noninstrumented_modules=1:halt_on_error=1:second_deadlock_stack=1
jobs=${VELMORA_TEST_JOBS:-$(nproc)}
# The sanitizers' reports need file and line, not the whole debugging information (a sixth of
# their builds' time).
lines_only=-DCMAKE_CXX_FLAGS_DEBUG=-g1
# Each target's sources compiled a few to a file: a third of the time for a library's build.
unity=-DCMAKE_UNITY_BUILD=ON
# Some 150 test programs are linked by each sanitizer build.
linker=-DVELMORA_LINKER=mold

# The release build makes the tests that need an optimised build's timing; every other test runs
# in the sanitizer builds below. The package's programs are built into it last.
source scripts/release-options.sh
scripts/build.sh build-release --target velmora_realtime_tests "${release_options[@]}" \
  -DBUILD_TESTING=ON -DVELMORA_DEV_TOOLS=ON -DVELMORA_WERROR=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=OFF
lap "release build"
wait "$setup" || { cat build-logs/setup.log; exit 1; }
lap "the rest of the set-up"
# Their parts mostly wait on a paced line, so they all run at once.
ctest --test-dir build-release --output-on-failure --parallel 12 --label-regex realtime
lap "timing tests"

scripts/windows-test.sh build-windows
lap "Windows check"

# The benchmarks and the screenshot tool are built with the package's programs only.
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=address,undefined \
  -DVELMORA_WERROR=ON -DVELMORA_DEV_TOOLS=OFF "$lines_only" "$unity" "$linker"
lap "AddressSanitizer build"

# Only what the thread-labelled tests run is built for ThreadSanitizer.
beside scripts/build.sh build-tsan --target velmora_thread_tests -DCMAKE_BUILD_TYPE=Debug \
  -DVELMORA_SANITIZE=thread -DVELMORA_WERROR=ON "$lines_only" "$unity" "$linker"
tsan_build=$!
ctest --test-dir build-asan --output-on-failure --parallel "$jobs" --label-exclude 'realtime|alone'
lap "AddressSanitizer tests, the ThreadSanitizer build beside"
finish $tsan_build build-tsan
lap "the rest of the ThreadSanitizer build"

# The package's programs join the release build while the thread tests run.
beside scripts/package.sh build-release --build-only
package_build=$!
ctest --test-dir build-tsan --output-on-failure --parallel "$jobs" --label-regex threads \
  --label-exclude alone
lap "ThreadSanitizer tests, the package's build beside"
finish $package_build build-release
lap "the rest of the package's build"

ctest --test-dir build-asan --output-on-failure --label-regex alone --label-exclude realtime
ctest --test-dir build-tsan --output-on-failure --label-regex threads --label-regex alone
lap "the tests that run alone"

scripts/package.sh build-release
lap "package"

echo "all test runs passed in $((SECONDS - start)) s"
