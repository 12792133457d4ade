#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up and runs every test. In order:
#  1. builds the program, the lobby and the tools as they ship, with no sanitizer, and checks
#     both Debian packages made from that build as Debian checks them;
#  2. in the same build, the tests labelled "memory" (bounds on a process's memory, which only
#     a build without sanitizers can measure);
#  3. builds every test and the fuzz targets with clang, AddressSanitizer and
#     UndefinedBehaviorSanitizer, and runs the tests (any report fails) while each fuzz target runs
#     for a short time from its committed corpus beside them (scripts/fuzz.sh runs them longer).
# The last lines are the summary of the sanitized suite and the time each step took.
# Usage: scripts/run-tests.sh [build-folder (build)]; the sanitized build goes to
# <build-folder>-asan, the fuzzers' log to <build-folder>-fuzz.log. SORVADA_FUZZ_SECONDS sets
# the fuzzing time per target (20).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
fuzz_seconds=${SORVADA_FUZZ_SECONDS:-20}
export QT_QPA_PLATFORM=offscreen

steps=()
started=$SECONDS
step() {
  steps+=("$(printf '%4d s  %s' $((SECONDS - started)) "$1")")
  started=$SECONDS
}

# 1. The shipped build: no tests in it, so it is built only once more than the tests need. Each
# library is compiled as one unit, which saves time and changes nothing in the program.
"$root/scripts/setup.sh" "$build" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" -DBUILD_TESTING=OFF \
  -DCMAKE_UNITY_BUILD=ON
step "program, lobby and tools"
bash "$root/scripts/check-packages.sh" "$build"
step "Debian packages checked"

# 2. The memory bounds, in the shipped build's code: the same folder with its tests switched on,
# building only the tests that carry the label.
cmake -S "$root" -B "$build" -DBUILD_TESTING=ON >/dev/null
mapfile -t memory_tests < <(cd "$build" && ctest -N -L memory | sed -n 's/^ *Test *#[0-9]*: //p')
cmake --build "$build" --parallel "$(nproc)" --target "${memory_tests[@]}"
(cd "$build" && ctest -L memory --output-on-failure --timeout 300)
step "memory bounds (${#memory_tests[@]} tests)"

# 3. The sanitized suite. Its build is made for testing only: compiled by clang (faster than g++
# here, and what libFuzzer needs), optimised as the sanitizers advise (-O1), line tables only,
# each library compiled as one unit, without the art generator, benchmarks and render tool,
# which no test runs, and with the fuzz targets, which link the same libraries.
"$root/scripts/setup.sh" "$build-asan" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_UNITY_BUILD=ON -DSORVADA_SANITIZE=ON -DSORVADA_FUZZ=ON \
  -DSORVADA_TOOLS=OFF
step "sanitized build"

# The fuzz targets run while the suite runs: the suite mostly waits on its sockets and timers,
# the fuzzers keep the processor busy meanwhile.
"$root/scripts/fuzz.sh" "$fuzz_seconds" "$build-asan" > "$build-fuzz.log" 2>&1 &
fuzz_pid=$!
cd "$build-asan"
# Any report ends the test with a failure.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:exitcode=23"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=24"
suite=0
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 || suite=$?
fuzz=0
wait "$fuzz_pid" || fuzz=$?
cat "$build-fuzz.log"
step "sanitized suite and fuzzing"

printf '%s\n' "${steps[@]}"
[ "$suite" -eq 0 ] && [ "$fuzz" -eq 0 ]
