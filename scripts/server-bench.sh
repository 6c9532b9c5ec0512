#!/usr/bin/env bash
# Runs the sound-server benchmarks (build/bench/audio/bench_server) against a
# PulseAudio daemon of their own: a null sink at 44.1 kHz whose monitor is
# the default source, in a private runtime folder that nothing else sees.
#
#   scripts/server-bench.sh                         # update rate and a 20 s generator run
#   KORVANTA_PLAY_SECONDS=1800 scripts/server-bench.sh --benchmark_filter=Generator
#
# Arguments go to the benchmark program.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bench="${KORVANTA_BENCH_SERVER:-$here/build/bench/audio/bench_server}"
runtime="$(mktemp -d)"
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime" HOME="$runtime"

pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-level=error \
  -L module-native-protocol-unix -L "module-null-sink sink_name=loop rate=44100" -L module-always-sink &
server=$!
cleanup() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT

for _ in $(seq 50); do
  pactl info >/dev/null 2>&1 && break
  sleep 0.2
done
if ! pactl info >/dev/null 2>&1; then
  echo "pulseaudio does not answer; nothing measured" >&2
  exit 1
fi
pactl set-default-sink loop
pactl set-default-source loop.monitor
pactl set-sink-volume loop 100%
pactl set-source-volume loop.monitor 100%
"$bench" "$@"
