#!/bin/sh
# Screenshots taken by end-to-end tests on the virtual card under Xvfb: the
# tests save what the user sees into KORVANTA_SCREENSHOT_DIR.
#
#   scripts/screenshots.sh scope [build dir] [output dir]
#       a triggered 1 kHz sine (scope-sine.png) and the X-Y circle of two
#       sines 90 degrees apart (scope-xy.png)
#   scripts/screenshots.sh distortion [build dir] [output dir]
#       THD+N and H2 against output power with H3 as a memory curve
#       (distortion-thdn-watts.png), THD against frequency behind a low-pass
#       (distortion-thd-frequency.png), and the window itself
set -e
what=${1:?usage: scripts/screenshots.sh scope|distortion [build dir] [output dir]}
build=${2:-build}
out=${3:-/tmp}
case "$what" in
  scope)
    test=scope/scope_run filter='ScopeRun.TraceHeight*:ScopeRun.XYOf*'
    pictures="scope-sine.png scope-xy.png" ;;
  distortion)
    test=distortion/distortion_run filter='DistortionRun.ItsDiagram*:*DistortionAnalytic*/2'
    pictures="distortion-thdn-watts.png distortion-thd-frequency.png" ;;
  *) echo "unknown: $what (scope or distortion)" >&2; exit 2 ;;
esac
mkdir -p "$out"
out=$(cd "$out" && pwd)
KORVANTA_SCREENSHOT_DIR=$out KORVANTA_AUDIO=virtual QT_QPA_PLATFORM=xcb \
  KORVANTA_SETTINGS=$(mktemp -d)/krv14f.ini \
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/$test" --gtest_filter="$filter"
for p in $pictures; do ls -l "$out/$p"; done
