#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang and runs them side by side, each for a bounded time,
# starting from its committed seed corpus (fuzz/corpus/<target>/, never written to). A crash, a
# sanitizer report or a broken invariant ends the script with a failure; the input that caused it
# is kept in <build-folder>/artifacts/. The test command fuzzes briefly, in its own sanitized build
# folder; run this for longer
# (ten minutes a target, say) after changing what the targets reach.
# Usage: scripts/fuzz.sh [seconds-per-target (60)] [build-folder (build-fuzz)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$root/build-fuzz}
case $seconds in ''|*[!0-9]*) echo "fuzz.sh: seconds must be a whole number" >&2; exit 2;; esac

targets=(fuzz_answer fuzz_legs fuzz_datagrams)
# A folder already configured for fuzzing (the test command's sanitized build) is used as it is.
if ! grep -qs '^SORVADA_FUZZ:BOOL=ON' "$build/CMakeCache.txt"; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
        -DCMAKE_CXX_COMPILER=clang++ -DSORVADA_FUZZ=ON -DBUILD_TESTING=OFF -DSORVADA_TOOLS=OFF >/dev/null
fi
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}" >/dev/null

export QT_QPA_PLATFORM=offscreen
# A quarantine of 64 MiB rather than 256: freed memory is still held back for thousands of
# inputs (one input frees a few hundred KiB at most), and the fuzzer does not spend a quarter of
# its time touching fresh quarantine pages.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1:quarantine_size_mb=64}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
mkdir -p "$build/artifacts"
run() {
  local t=$1 work="$build/corpus/$1" dict=()
  mkdir -p "$work"
  [ -f "$root/fuzz/$t.dict" ] && dict=(-dict="$root/fuzz/$t.dict")
  "$build/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=20 \
    -artifact_prefix="$build/artifacts/$t-" "${dict[@]}" "$work" "$root/fuzz/corpus/$t" >"$build/$t.log" 2>&1
}
# Each target is one process on one core: they run side by side.
pids=()
for t in "${targets[@]}"; do
  run "$t" &
  pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  log="$build/$t.log"
  if wait "${pids[$i]}"; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    echo "fuzz $t: ${runs:-?} executions in ${seconds} s (${rate:-?}/s), no crash"
  else
    echo "fuzz $t: FAILED, see $log" >&2
    grep -E 'ERROR|SUMMARY|runtime error|deadly|Test unit written' "$log" | head -20 >&2 || true
    status=1
  fi
done
exit $status
