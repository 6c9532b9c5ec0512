#!/usr/bin/env bash
# Times runs of the program from process start until its main window is up
# (KORVANTA_EXIT_AFTER_SHOW closes it right away) while the sound server is
# stopped (SIGSTOP): a PulseAudio daemon of this script's own, in a private
# runtime folder, with a null sink. A client of a stopped server waits about
# half a minute before it gives up; the program should be up in seconds.
#   scripts/time-startup-stopped-server.sh [runs] [alsa|auto]
# "auto" leaves KORVANTA_AUDIO unset, so the program chooses its backend.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
audio=${2:-alsa}
program=./build/app/ui/korvanta
scratch=$(mktemp -d)
chmod 700 "$scratch"
export XDG_RUNTIME_DIR="$scratch" HOME="$scratch" KORVANTA_SETTINGS="$scratch/krv14f.ini"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
if [ "$audio" = auto ]; then unset KORVANTA_AUDIO; else export KORVANTA_AUDIO="$audio"; fi

server=
trap 'kill -KILL $server 2>/dev/null; rm -rf "$scratch"' EXIT
# A fresh daemon for every run: the connections a stopped daemon never
# accepted fill its socket's backlog, and later clients are refused at once
# instead of waiting.
start_stopped_server() {
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-level=error \
    -L module-native-protocol-unix -L "module-null-sink sink_name=loop rate=44100" -L module-always-sink &
  server=$!
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.2; done
  pactl set-default-source loop.monitor
  kill -STOP "$server"
}

total=0
for i in $(seq "$runs"); do
  start_stopped_server
  start=$(date +%s%N)
  KORVANTA_EXIT_AFTER_SHOW=1 timeout 120 "$program" >/dev/null 2>&1
  end=$(date +%s%N)
  kill -KILL "$server"; wait "$server" 2>/dev/null || true
  ms=$(( (end - start) / 1000000 ))
  total=$(( total + ms ))
  echo "run $i: $ms ms"
done
echo "mean start-up to shown window and exit, server stopped, KORVANTA_AUDIO=$audio: $(( total / runs )) ms over $runs runs"
