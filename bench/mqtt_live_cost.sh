#!/usr/bin/env bash
# What `tq612-cli live --mqtt` costs while it runs: the CPU time (utime +
# stime from /proc/PID/stat) as a percentage of one core, and its resident
# memory (VmRSS), sampled every MQTT_COST_EVERY seconds over MQTT_COST_SECONDS,
# at one sample a second from the simulated meter, each reading going to a
# mosquitto on 127.0.0.1 at a free port. The goal: below 0.5 % of one core,
# and memory that stays flat (an hour: MQTT_COST_SECONDS=3600).
# Uses the build in build/ as it is (bench/run.sh builds first).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${MQTT_COST_SECONDS:-30}"
every="${MQTT_COST_EVERY:-5}"
warmup="${MQTT_COST_WARMUP:-5}"   # connecting and the first samples are not the steady cost
cli_bin="${TQ612_CLI:-build/src/tq612-cli}"
meter_bin="${TQ612_METERSIM:-build/tools/metersim/tq612-metersim}"
# MQTT_COST_BASELINE=1: the same run without --mqtt, to tell the broker's share.
mqtt_args=(--mqtt "127.0.0.1:PORT")
[ "${MQTT_COST_BASELINE:-0}" = 1 ] && mqtt_args=()

if ! command -v mosquitto >/dev/null && [ ! -x /usr/sbin/mosquitto ]; then
  echo "mqtt_live_cost: skipped, mosquitto is not installed"
  exit 0
fi
mosquitto_bin=$(command -v mosquitto || echo /usr/sbin/mosquitto)

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# Settings and documents of a scratch home, never the user's.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" HOME="$work/home" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/mosquitto.conf" <<EOF
listener $port 127.0.0.1
allow_anonymous true
user $(id -un)
EOF
"$mosquitto_bin" -c "$work/mosquitto.conf" >"$work/broker.log" 2>&1 &
pids+=($!)

"$meter_bin" --no-register >"$work/meter.out" 2>"$work/meter.err" &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$work/meter.out" ] && (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
pty=$(head -n1 "$work/meter.out")
[ -n "$pty" ] || { echo "mqtt_live_cost: the simulated meter gave no port"; exit 1; }

mosquitto_sub -h 127.0.0.1 -p "$port" -t 'tq612/readings' >"$work/received" 2>/dev/null &
pids+=($!)

"$cli_bin" live --port "$pty" "${mqtt_args[@]/PORT/$port}" --no-recovery --format jsonl \
  >"$work/printed" 2>"$work/cli.err" &
cli=$!
pids+=($cli)

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$cli/stat"; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$cli/status"; }
now() { date +%s.%N; }

sleep "$warmup"
kill -0 "$cli" 2>/dev/null || { echo "mqtt_live_cost: tq612-cli ended:"; cat "$work/cli.err"; exit 1; }
t0=$(now); c0=$(cpu_ticks); r0=$(rss_kb); rmax=$r0
echo "mqtt_live_cost: tq612-cli live ${mqtt_args[*]/PORT/$port}${MQTT_COST_BASELINE:+ (no broker)}, one sample a second, ${seconds} s after ${warmup} s"
printf '%8s %10s %10s %10s\n' elapsed_s cpu_pct rss_kb samples
elapsed=0
while [ "$elapsed" -lt "$seconds" ]; do
  sleep "$every"
  elapsed=$((elapsed + every))
  kill -0 "$cli" 2>/dev/null || { echo "mqtt_live_cost: tq612-cli ended:"; cat "$work/cli.err"; exit 1; }
  t=$(now); c=$(cpu_ticks); r=$(rss_kb)
  [ "$r" -gt "$rmax" ] && rmax=$r
  printf '%8d %10s %10s %10s\n' "$elapsed" \
    "$(awk -v c="$((c - c0))" -v k="$ticks" -v t="$t" -v t0="$t0" 'BEGIN { printf "%.3f", 100 * c / k / (t - t0) }')" \
    "$r" "$(wc -l <"$work/printed")"
done
t1=$(now); c1=$(cpu_ticks); r1=$(rss_kb)
# A clean end sends what waits; then every printed sample should have arrived.
kill -INT "$cli"
wait "$cli" || true
sleep 0.5
printed=$(wc -l <"$work/printed")
received=$(wc -l <"$work/received")
cpu=$(awk -v c="$((c1 - c0))" -v k="$ticks" -v t="$t1" -v t0="$t0" 'BEGIN { printf "%.3f", 100 * c / k / (t - t0) }')
echo "cpu_pct_of_one_core=$cpu (goal < 0.5) over $(awk -v a="$t1" -v b="$t0" 'BEGIN { printf "%.0f", a - b }') s"
echo "rss_kb_start=$r0 rss_kb_end=$r1 rss_kb_max=$rmax"
echo "samples_printed=$printed readings_received=$received"
[ -s "$work/cli.err" ] && { echo "tq612-cli said:"; cat "$work/cli.err"; }
exit 0
