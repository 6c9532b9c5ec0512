#!/usr/bin/env bash
# Runs the window-placement test under a real window manager: an Xvfb
# display with openbox, once at 1600x1000 and once at 1366x768. Without
# Xvfb or openbox the test is skipped (exit 77), unless KORVANTA_REQUIRE_WM=1
# says they must be there.
set -euo pipefail
test_binary=$1
skip=77

for tool in Xvfb openbox; do
  if ! command -v "$tool" >/dev/null; then
    if [ "${KORVANTA_REQUIRE_WM:-0}" = 1 ]; then
      echo "$tool is missing, and KORVANTA_REQUIRE_WM=1 requires it" >&2
      exit 1
    fi
    echo "SKIP: $tool is missing (install it with scripts/install-deps.sh)"
    exit $skip
  fi
done

work=$(mktemp -d)
pids=()
stop_display() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  pids=()
}
trap 'stop_display; rm -rf "$work"' EXIT

# Starts Xvfb at $1 with openbox on it; fails when openbox does not manage
# the screen within 20 s (a test without a window manager would only show
# unframed windows, far from the cause).
start_display() {
  # Xvfb picks a free display and writes its number to the descriptor.
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.1; done
  if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; return 1
  fi
  export DISPLAY=":$(head -n1 "$work/display")"
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  pids+=($!)
  # openbox owns the window manager selection once it manages the screen.
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  echo "openbox did not manage $DISPLAY within 20 s:" >&2; cat "$work/openbox.log" >&2
  return 1
}

for size in 1600x1000 1366x768; do
  # A display that came up without its window manager is started once more.
  if ! start_display "$size"; then
    stop_display
    : >"$work/display"
    start_display "$size" || exit 1
  fi
  echo "screen $size on $DISPLAY"
  QT_QPA_PLATFORM=xcb "$test_binary"
  stop_display
  : >"$work/display"
done
