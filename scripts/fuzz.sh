#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds each (default 60):
#   bash scripts/fuzz.sh [seconds]
# Builds the `fuzz` preset first when its targets are missing. The seeds in
# fuzz/corpus/<target> stay as they are; new inputs and the targets' own
# files live on a RAM disk (/dev/shm) and are removed afterwards. An input
# that crashes a target is kept in build-fuzz/artifacts/ and the script
# fails, as does a target that was not built. The targets run side by side,
# one per core (KORVANTA_FUZZ_JOBS). Prints the executions of each target.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=build-fuzz
targets=(settings correction dut player tolerance curves memories report)

if [ ! -x "$build/fuzz/fuzz_settings" ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
fi

ram=/dev/shm
[ -w "$ram" ] || ram=${TMPDIR:-/tmp}
work=$(mktemp -d "$ram/korvanta-fuzz-run-XXXXXX")
trap 'rm -rf "$work"' EXIT
artifacts="$build/artifacts"
mkdir -p "$artifacts"

# One target on each core at a time: a target runs on one thread.
jobs=${KORVANTA_FUZZ_JOBS:-$(nproc)}

# Runs one target; its verdict goes to $work/<target>.verdict.
run_target() {
  local target=$1 exe="$build/fuzz/fuzz_$1" log="$work/$1.log"
  if [ ! -x "$exe" ]; then
    echo "fuzz_$target: FAILED (not built: $exe)" >"$work/$target.verdict"
    return
  fi
  mkdir -p "$work/$target"
  if TMPDIR="$ram" "$exe" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts/${target}-" "$work/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    execs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
    echo "fuzz_$target: $execs executions in $seconds s, no crash" >"$work/$target.verdict"
  else
    { echo "fuzz_$target: FAILED (reproducer in $artifacts/)"; tail -n 60 "$log"; } >"$work/$target.verdict"
  fi
}

running=0
for target in "${targets[@]}"; do
  run_target "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

status=0
for target in "${targets[@]}"; do
  cat "$work/$target.verdict"
  grep -q '^fuzz_[a-z]*: FAILED' "$work/$target.verdict" && status=1
done
exit $status
