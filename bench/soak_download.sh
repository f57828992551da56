#!/usr/bin/env bash
# Reliability soak of the memory download: hundreds of downloads against the
# unpaced simulated meter with random line faults, each behind a random USB
# serial adapter model (chunks of 1 to 64 bytes, latency 0 to 40 ms, or none)
# or with timing jitter, with stray bytes before random blocks, lost bytes,
# pauses of the meter of 20 to 100 ms inside random blocks and every few
# blocks, and with acknowledgements answered late at random. SOAK_RUNS and
# SOAK_SEED choose the number of runs and the random sequence.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
SOAK_RUNS="${SOAK_RUNS:-500}" QT_QPA_PLATFORM=offscreen build/tests/tq612_test_logger \
  --gtest_also_run_disabled_tests --gtest_filter='DownloadSoak.*'
