#!/bin/sh
# Screenshots of the oscilloscope under Xvfb, taken by its end-to-end tests on
# the virtual card: a triggered 1 kHz sine (scope-sine.png) and the X-Y
# circle of two sines 90 degrees apart (scope-xy.png).
#
#   scripts/scope-screenshots.sh [build dir] [output dir]
set -e
build=${1:-build}
out=${2:-/tmp}
mkdir -p "$out"
KORVANTA_SCREENSHOT_DIR=$(cd "$out" && pwd) KORVANTA_AUDIO=virtual QT_QPA_PLATFORM=xcb \
  KORVANTA_SETTINGS=$(mktemp -d)/krv14f.ini \
  xvfb-run -a -s "-screen 0 1024x600x24" "$build/tests/scope/scope_run" \
  --gtest_filter='ScopeRun.TraceHeight*:ScopeRun.XYOf*'
ls -l "$out/scope-sine.png" "$out/scope-xy.png"
