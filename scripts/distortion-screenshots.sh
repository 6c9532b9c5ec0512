#!/bin/sh
# Pictures of the distortion diagram under Xvfb, taken by its end-to-end
# tests on the virtual card: THD+N and H2 against output power with H3 as a
# memory curve (distortion-thdn-watts.png), THD against frequency behind a
# low-pass (distortion-thd-frequency.png), and the window itself.
#
#   scripts/distortion-screenshots.sh [build dir] [output dir]
set -e
build=${1:-build}
out=${2:-/tmp}
mkdir -p "$out"
KORVANTA_SCREENSHOT_DIR=$(cd "$out" && pwd) KORVANTA_AUDIO=virtual QT_QPA_PLATFORM=xcb \
  KORVANTA_SETTINGS=$(mktemp -d)/krv14f.ini \
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/distortion/distortion_run" \
  --gtest_filter='DistortionRun.ItsDiagram*:*DistortionAnalytic*/2'
ls -l "$out/distortion-thdn-watts.png" "$out/distortion-thd-frequency.png"
