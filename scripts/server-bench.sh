#!/usr/bin/env bash
# Runs the sound-server benchmarks (build/bench/audio/bench_server) on each
# sound server the tests use, PulseAudio and PipeWire: the program starts a
# daemon of its own with a loop at 44.1 kHz, in a private runtime folder that
# nothing else sees (tests/support/SoundServer.h).
#
#   scripts/server-bench.sh                         # update rate with its per-block breakdown,
#                                                   # round trip, a 20 s generator run
#   KORVANTA_PLAY_SECONDS=600 scripts/server-bench.sh --benchmark_filter=Generator
#   KORVANTA_BENCH_SERVERS=pipewire scripts/server-bench.sh
#   KORVANTA_BENCH_AUDIO=server KORVANTA_BENCH_SERVER=build/bench/devicetest/bench_devicetest \
#       scripts/server-bench.sh                     # the device test's default plan
#   KORVANTA_BENCH_QUANTUM=256 KORVANTA_BENCH_SERVERS=pipewire scripts/server-bench.sh
#                                                   # PipeWire's graph at another quantum
#
# Arguments go to the benchmark program.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bench="${KORVANTA_BENCH_SERVER:-$here/build/bench/audio/bench_server}"
status=0
for server in ${KORVANTA_BENCH_SERVERS:-pulse pipewire}; do
  echo "== $server"
  KORVANTA_TEST_SERVER="$server" "$bench" "$@" || status=1
done
exit $status
