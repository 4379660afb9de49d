#!/usr/bin/env bash
# Sets everything up and runs all tests: the tests that need real timing in a release build, then
# the Windows build of core/ and the radio protocol under Wine (scripts/windows-test.sh), then
# every other test under AddressSanitizer with UndefinedBehaviorSanitizer, then ThreadSanitizer
# for the tests that exercise threads, then the Debian package made from the first build, whose
# programs carry Debian's flags (scripts/package.sh).
# Every build treats warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

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

start=$SECONDS
# The release build makes the tests that need an optimised build's timing; every other test runs
# in the sanitizer builds below. The package's programs are built into it last.
source scripts/release-options.sh
scripts/build.sh build-release --target velmora_realtime_tests "${release_options[@]}" \
  -DBUILD_TESTING=ON -DVELMORA_DEV_TOOLS=ON -DVELMORA_WERROR=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=OFF
ctest --test-dir build-release --output-on-failure --parallel "$jobs" --label-regex realtime

scripts/windows-test.sh build-windows

# The benchmarks and the screenshot tool are built with the package's programs only.
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=address,undefined \
  -DVELMORA_WERROR=ON -DVELMORA_DEV_TOOLS=OFF "$lines_only" "$unity"
ctest --test-dir build-asan --output-on-failure --parallel "$jobs" --label-exclude realtime

# Only what the thread-labelled tests run is built here.
scripts/build.sh build-tsan --target velmora_thread_tests -DCMAKE_BUILD_TYPE=Debug \
  -DVELMORA_SANITIZE=thread -DVELMORA_WERROR=ON "$lines_only" "$unity"
ctest --test-dir build-tsan --output-on-failure --parallel "$jobs" --label-regex threads

scripts/package.sh build-release

echo "all test runs passed in $((SECONDS - start)) s"
