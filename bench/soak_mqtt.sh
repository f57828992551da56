#!/usr/bin/env bash
# Reliability soak of the broker client: a week of one-second samples (604,800),
# sped up, through tq612-cli live's client to mosquitto on 127.0.0.1, the broker
# restarted every hour of samples; every sample must reach a subscriber whose
# session outlives the restarts, in order, each once after repeats are set
# aside. SOAK_SAMPLES, SOAK_RESTART_EVERY (3600), SOAK_DOWN_FOR (samples taken
# while the broker is down, 60) and SOAK_PER_MS (samples a millisecond, 2) change it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" HOME="$scratch/home" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
build/tests/tq612_test_mqtt --gtest_also_run_disabled_tests \
  --gtest_filter='MqttSoak.DISABLED_AWeekOfSamplesThroughABrokerRestartedEveryHourLosesNone'
