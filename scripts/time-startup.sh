#!/usr/bin/env bash
# Times whole runs of the program from process start until its main window
# is up (KORVANTA_EXIT_AFTER_SHOW closes it right away), and reports the
# resident memory of a running program. Needs a display; under a headless
# shell: xvfb-run -a scripts/time-startup.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
program=./build/app/ui/korvanta
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export KORVANTA_SETTINGS="$scratch/krv14f.ini" KORVANTA_AUDIO=${KORVANTA_AUDIO:-virtual}

KORVANTA_EXIT_AFTER_SHOW=1 "$program" 2>/dev/null   # warm the caches once
total=0
for i in $(seq "$runs"); do
  start=$(date +%s%N)
  KORVANTA_EXIT_AFTER_SHOW=1 "$program" 2>/dev/null
  end=$(date +%s%N)
  ms=$(( (end - start) / 1000000 ))
  total=$(( total + ms ))
  echo "run $i: $ms ms"
done
echo "mean start-up to shown window and exit: $(( total / runs )) ms over $runs runs"

"$program" 2>/dev/null &
pid=$!
sleep 3
grep -E 'VmRSS|VmHWM' "/proc/$pid/status"
kill -TERM "$pid"
wait "$pid"
