#!/usr/bin/env bash
# Sets everything up, builds, and runs every test through CTest; then builds and runs the whole
# suite again with AddressSanitizer and UndefinedBehaviorSanitizer (any report fails), and runs
# each fuzz target for a bounded time. The last line is the summary of the sanitized suite.
# Usage: scripts/run-tests.sh [build-folder (build)]; the sanitized build goes to
# <build-folder>-asan and the fuzz targets to <build-folder>-fuzz.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
fuzz_seconds=60

"$root/scripts/setup.sh" "$build"
cd "$build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --parallel "$(nproc)" --timeout 300

"$root/scripts/setup.sh" "$build-asan" -DSORVADA_SANITIZE=ON
"$root/scripts/fuzz.sh" "$fuzz_seconds" "$build-fuzz"

cd "$build-asan"
# Any report ends the test with a failure. Freed memory is held back 4 MiB deep rather than the
# default 256 MiB, so that the tests which check that a program stays small measure the program
# rather than the sanitizer's quarantine.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:exitcode=23:quarantine_size_mb=4"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=24"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
