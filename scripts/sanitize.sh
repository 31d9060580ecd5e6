#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer and UBSan and runs every test under
# them; any report fails its test. Usage: scripts/sanitize.sh [ctest arguments...]
# Build folder: build-asan (NALO_SANITIZE_BUILD overrides); jobs: JOBS (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NALO_SANITIZE_BUILD:-$root/build-asan}
jobs=${JOBS:-2}
cmake -S "$root" -B "$build" -G Ninja -DNALO_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$jobs"
# A report ends the program with an error, so the test fails; leaks of the system
# libraries the windows load (fonts, GL, D-Bus) are not ours and are suppressed.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
ctest --test-dir "$build" -j"$jobs" --output-on-failure "$@"
