#!/usr/bin/env bash
# Builds one fuzz target with clang and libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer (in build-fuzz/) and runs it for SECONDS on its
# corpus, then prints how many inputs it ran and how many a second.
#   scripts/fuzz.sh TARGET SECONDS
# Targets: frame image collection download chartstate graphfile textfile setup.
# Inputs the fuzzer finds interesting stay in build-fuzz/corpus/TARGET; an
# input that fails is written to fuzz/corpus/TARGET/ as crash-*, timeout-* or
# leak-*, where the normal test run replays it (`./test`) once it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET SECONDS" >&2
  exit 2
fi
target=$1
seconds=$2

scripts/deps.sh fuzz
# Two runs started side by side share the build folder: one builds at a time.
mkdir -p build-fuzz
(
  flock 9
  cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build-fuzz --target "fuzz_$target" -j 2
) 9>build-fuzz/.build-lock

corpus=fuzz/corpus/$target
found=build-fuzz/corpus/$target
log=build-fuzz/$target.log
mkdir -p "$corpus" "$found"
export QT_QPA_PLATFORM=offscreen
status=0
"build-fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -report_slow_units=30 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$corpus/" "$found" "$corpus" >"$log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
if [ -n "$runs" ] && [ -n "$took" ] && [ "$took" -gt 0 ]; then
  echo "$target: $runs executions in $took s ($((runs / took)) executions per second)"
else
  tail -30 "$log"
  echo "$target: ended early (exit $status), see $log"
fi
exit $status
