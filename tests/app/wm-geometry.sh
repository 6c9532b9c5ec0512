#!/usr/bin/env bash
# Runs the window-placement test under a real window manager: an Xvfb
# display with openbox, once at 1600x1000 and once at 1366x768. Without
# Xvfb, openbox or the X tools the test uses (xprop, xdotool) the test is
# skipped (exit 77), unless KORVANTA_REQUIRE_WM=1 says they must be there.
set -euo pipefail
test_binary=$1
skip=77

for tool in Xvfb openbox xprop xdotool; do
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
openbox_pid=
stop_display() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  pids=()
  openbox_pid=
}
trap 'stop_display; rm -rf "$work"' EXIT

# True once openbox has loaded its theme on $DISPLAY. It takes the window
# manager's selection (and sets _NET_SUPPORTING_WM_CHECK) first and only
# then reads its configuration and theme, whose fonts a cold font cache
# may take long to find: windows mapped meanwhile wait unframed. The theme's
# name on the root window says it has got past that.
openbox_ready() {
  local theme
  theme=$(xprop -root _OB_THEME 2>/dev/null) || return 1
  [[ $theme == *'= "'* ]]
}

# Starts Xvfb at $1 with openbox on it; fails, saying why, when openbox
# exits or has not loaded its theme within 60 s (a test without a window
# manager would only show unframed windows, far from the cause).
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
  openbox_pid=$!
  pids+=($openbox_pid)
  for _ in $(seq 600); do
    openbox_ready && return 0
    if ! kill -0 "$openbox_pid" 2>/dev/null; then
      echo "openbox exited before it managed $DISPLAY:" >&2; cat "$work/openbox.log" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "openbox did not manage $DISPLAY within 60 s:" >&2; cat "$work/openbox.log" >&2
  return 1
}

for size in 1600x1000 1366x768; do
  # A display that came up without its window manager is started once more.
  if ! start_display "$size"; then
    stop_display
    : >"$work/display"
    start_display "$size" || exit 1
  fi
  echo "screen $size on $DISPLAY, openbox managing it"
  status=0
  QT_QPA_PLATFORM=xcb "$test_binary" || status=$?
  if [ "$status" != 0 ]; then
    # Whether the window manager was still there tells a placement fault
    # from a desktop that went away.
    if kill -0 "$openbox_pid" 2>/dev/null; then
      echo "screen $size: the test failed with openbox still running" >&2
    else
      echo "screen $size: openbox had exited during the test:" >&2
    fi
    cat "$work/openbox.log" >&2
    exit "$status"
  fi
  stop_display
  : >"$work/display"
done
