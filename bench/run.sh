#!/usr/bin/env bash
# Builds and runs every benchmark and prints the results.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
for b in build/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2 "$@"
done
# What tq612-cli live --mqtt costs in CPU and memory; MQTT_COST_SECONDS=3600 for an hour.
echo "== mqtt_live_cost"
bench/mqtt_live_cost.sh
