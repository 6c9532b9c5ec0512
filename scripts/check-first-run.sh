#!/usr/bin/env bash
# Runs the Quick start's first command as a new user types it, on a virtual
# display, with a fresh settings file and home of its own:
#   - waits until the main window is shown,
#   - checks its title (the program's caption and the card's mark, nothing
#     that the toolkit appends),
#   - ends the program with SIGTERM, as a desktop's logout does,
# and fails unless the program exited 0 and wrote its settings.
#
#   scripts/check-first-run.sh [command ...]     (default: ./scripts/run.sh)
#
# KORVANTA_FIRST_RUN_TIMEOUT (seconds, default 1800: the command may have to
# build first) bounds the wait for the window. A command that ends before
# its window shows fails at once.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" bash "$0" "$@"
fi
[ $# -gt 0 ] || set -- ./scripts/run.sh
timeout=${KORVANTA_FIRST_RUN_TIMEOUT:-1800}

scratch=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
settings="$scratch/krv14f.ini"
mkdir -p "$scratch/home"

HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" KORVANTA_SETTINGS="$settings" \
  "$@" >"$scratch/out.log" 2>&1 &
pid=$!

fail() {
  echo "first run of '$*': FAILED: $reason" >&2
  echo "--- what it printed (last 40 lines):" >&2
  tail -n 40 "$scratch/out.log" >&2
  exit 1
}

# The main window, once its caption is up (the plot window's caption, also
# shown at start, is "Korvanta V 1.4 " with a blank at its end).
window=
waited=0
while [ -z "$window" ]; do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" && rc=0 || rc=$?
    pid=
    reason="it ended with status $rc before its main window was shown"
    fail "$@"
  fi
  if [ "$waited" -ge $((timeout * 2)) ]; then
    reason="no main window within $timeout s"
    fail "$@"
  fi
  window=$(xdotool search --onlyvisible --name '^Korvanta V 1\.4($| – )' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] || { sleep 0.5; waited=$((waited + 1)); }
done

title=$(xdotool getwindowname "$window")
echo "main window shown: \"$title\""
case "$title" in
  "Korvanta V 1.4" | "Korvanta V 1.4 – virtual card" | "Korvanta V 1.4 – virtuelle Karte") ;;
  *) reason="the main window's title is \"$title\""; fail "$@" ;;
esac

kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
pid=
if [ "$rc" -ne 0 ]; then
  reason="it exited with status $rc after SIGTERM"
  fail "$@"
fi
if ! grep -q '^SPRACHE=' "$settings" 2>/dev/null; then
  reason="no settings written to $settings"
  fail "$@"
fi
echo "first run of '$*': window shown, closed by SIGTERM with status 0, settings written"
