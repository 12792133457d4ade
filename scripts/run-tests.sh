#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up, builds, and runs every test through CTest; then builds and runs the whole
# suite again with AddressSanitizer and UndefinedBehaviorSanitizer (any report fails), and runs
# each fuzz target for a short time from its committed corpus (scripts/fuzz.sh runs them longer).
# The last line is the summary of the sanitized suite.
# Usage: scripts/run-tests.sh [build-folder (build)]; the sanitized build goes to
# <build-folder>-asan and the fuzz targets to <build-folder>-fuzz. SORVADA_FUZZ_SECONDS sets the
# fuzzing time per target (25).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
fuzz_seconds=${SORVADA_FUZZ_SECONDS:-25}
# The test builds carry line tables only: enough for every stack trace and report, and far less
# to write and link than full debug information.
test_flags=("-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")

"$root/scripts/setup.sh" "$build" "${test_flags[@]}"
cd "$build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
# Both Debian packages built from this tree and checked as Debian checks them.
bash "$root/scripts/check-packages.sh" "$build"

# The sanitized build leaves out the art generator, the benchmarks and the render tool: no test
# runs them.
"$root/scripts/setup.sh" "$build-asan" "${test_flags[@]}" -DSORVADA_SANITIZE=ON -DSORVADA_TOOLS=OFF
"$root/scripts/fuzz.sh" "$fuzz_seconds" "$build-fuzz"

cd "$build-asan"
# Any report ends the test with a failure.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:exitcode=23"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=24"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
