#!/bin/sh
# Screenshots of what the user sees, on the virtual card under Xvfb.
#
#   scripts/screenshots.sh scope [build dir] [output dir]
#       a triggered 1 kHz sine (scope-sine.png) and the X-Y circle of two
#       sines 90 degrees apart (scope-xy.png), taken by the scope tests
#   scripts/screenshots.sh distortion [build dir] [output dir]
#       THD+N and H2 against output power with H3 as a memory curve
#       (distortion-thdn-watts.png), THD against frequency behind a low-pass
#       (distortion-thd-frequency.png), and the window itself
#   scripts/screenshots.sh ir [build dir] [output dir]
#       the impulse response window's diagram on a card with a delay of
#       10.37 samples and a second and third harmonic: magnitude and phase
#       (ir-magnitude-phase.png), H2 and H3 against frequency (ir-h2-h3.png)
#       and the impulse from a millisecond before its peak (ir-impulse.png)
#   scripts/screenshots.sh manual [build dir] [output dir]
#       the program itself under a window manager (openbox), so frames and
#       window placement are as on a desktop: in German and English, on
#       screens of 1600x1000 and 1366x768, the first start on a fresh
#       settings file, each page, F1 on each page, each tool window
#       opened from its menu, and the analyzer reading the generator's
#       -6 dBFS sine (<de|en>-<size>-<scene>.png). The page pictures of the 1366x768
#       screen, scaled down, are the help's pictures: with --help-images
#       after the output dir they are written to app/help/images/, to be
#       looked at and committed.
set -e
what=${1:?usage: scripts/screenshots.sh scope|distortion|ir|manual [build dir] [output dir] [--help-images]}
build=${2:-build}
out=${3:-/tmp}
here=$(cd "$(dirname "$0")" && pwd)

# Waits up to 20 s for a window whose title matches $1; prints its id.
window_named() {
  i=0
  while [ $i -lt 40 ]; do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.5; i=$((i + 1))
  done
  echo "no window \"$1\" appeared" >&2
  return 1
}

# Makes the main window ($1) the one keys go to, not the diagram or a tool
# window that took the focus as it came up.
activate() {
  i=0
  while [ "$(xdotool getactivewindow 2>/dev/null)" != "$1" ] && [ $i -lt 20 ]; do
    xdotool windowactivate "$1" 2>/dev/null || true
    sleep 0.5; i=$((i + 1))
  done
}

# One run of the program on settings file $2: a picture of the screen ($3)
# and one after F1 in the main window ($4). With $5 = measure, F5 first
# starts the page's measurement (a spectrum, a sweep), as a user would.
shoot_run() {
  korvanta=$1 ini=$2 shown=$3 help=$4 measure=$5
  KORVANTA_SETTINGS=$ini KORVANTA_AUDIO=virtual QT_QPA_PLATFORM=xcb "$korvanta" >/dev/null 2>&1 &
  pid=$!
  main=$(window_named 'Korvanta V 1\.4.*(virtual card|virtuelle Karte)') || { kill "$pid"; return 1; }
  if [ "$measure" = measure ]; then
    activate "$main"
    xdotool key F5
  fi
  # Long enough for the spectrum, the trace or the generator to be drawn.
  sleep 4
  import -window root "$shown"
  activate "$main"
  xdotool key F1
  window_named 'Help|Hilfe' >/dev/null
  sleep 1
  import -window root "$help"
  # The normal close path, which writes the settings file.
  kill -TERM "$pid"
  wait "$pid" || true
}

# One run on settings file $2 in language $3: each tool window opened from
# its menu as a user would, one picture each with the main window beside
# it (<tag>-<size>-tool-<distortion|devicetest|ir>.png).
shoot_tools() {
  korvanta=$1 ini=$2 lang=$3 prefix=$4
  KORVANTA_SETTINGS=$ini KORVANTA_AUDIO=virtual QT_QPA_PLATFORM=xcb "$korvanta" >/dev/null 2>&1 &
  pid=$!
  main=$(window_named 'Korvanta V 1\.4.*(virtual card|virtuelle Karte)') || { kill "$pid"; return 1; }
  if [ "$lang" = D ]; then menu=alt+w keys="v:distortion g:devicetest i:ir"; else menu=alt+t keys="d:distortion e:devicetest i:ir"; fi
  for k in $keys; do
    activate "$main"
    xdotool key "$menu"
    sleep 0.5
    xdotool key "${k%%:*}"
    sleep 3
    import -window root "$prefix-tool-${k#*:}.png"
  done
  kill -TERM "$pid"
  wait "$pid" || true
}

# One run in language $2 on a fresh settings file: the generator plays a
# sine at -6 dBFS on both channels (its Start button, which has no key,
# clicked: the top of the button column at the window's right edge), then
# the analyzer's page (its tab clicked) reads it with F5, and the line
# under the level bars names the output volume ($3).
shoot_level() {
  korvanta=$1 lang=$2 picture=$3
  dir=$(mktemp -d)
  printf '[MAIN]\nPAGE=1\nSPRACHE=%s\n[GEN]\nVOLL=-6\nVOLR=-6\n' "$lang" >"$dir/krv14f.ini"
  KORVANTA_SETTINGS=$dir/krv14f.ini KORVANTA_AUDIO=virtual QT_QPA_PLATFORM=xcb "$korvanta" >/dev/null 2>&1 &
  pid=$!
  main=$(window_named 'Korvanta V 1\.4.*(virtual card|virtuelle Karte)') || { kill "$pid"; return 1; }
  generator=$(window_named '^Generator$') || { kill "$pid"; return 1; }
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$generator")"
  xdotool mousemove --window "$generator" $((WIDTH - 28)) 50 click 1
  sleep 1
  xdotool mousemove --window "$main" 50 32 click 1
  activate "$main"
  xdotool key F5
  sleep 4
  import -window root "$picture"
  kill -TERM "$pid"
  wait "$pid" || true
  rm -rf "$dir"
}

# Inside Xvfb: a window manager, then every scene in both languages.
scenes() {
  size=$1
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  for lang in D E; do
    tag=$(echo "$lang" | sed 's/D/de/;s/E/en/')
    dir=$(mktemp -d)
    ini=$dir/krv14f.ini
    # No geometry keys: the windows place themselves as on a first start.
    printf '[MAIN]\nSPRACHE=%s\n' "$lang" >"$ini"
    shoot_run "$korvanta" "$ini" "$out/$tag-$size-first-start.png" "$out/$tag-$size-f1-analyzer.png"
    for page in 1:generator 2:scope 0:analyzer; do
      sed -i "s/^PAGE=.*/PAGE=${page%%:*}/" "$ini"
      shoot_run "$korvanta" "$ini" "$out/$tag-$size-${page#*:}.png" "$out/$tag-$size-f1-${page#*:}.png" measure
    done
    shoot_tools "$korvanta" "$ini" "$lang" "$out/$tag-$size"
    shoot_level "$korvanta" "$lang" "$out/$tag-$size-analyzer-generator.png"
    rm -rf "$dir"
  done
  kill "$wm" 2>/dev/null || true
}

case "$what" in
  scope)
    test=scope/scope_run filter='ScopeRun.TraceHeight*:ScopeRun.XYOf*'
    pictures="scope-sine.png scope-xy.png" ;;
  distortion)
    test=distortion/distortion_run filter='DistortionRun.ItsDiagram*:*DistortionAnalytic*/2'
    pictures="distortion-thdn-watts.png distortion-thd-frequency.png" ;;
  ir)
    test=ir/ir_window filter='IrWindowTest.ARunShowsTheLatency*'
    pictures="ir-magnitude-phase.png ir-h2-h3.png ir-impulse.png" ;;
  manual) ;;
  _scenes)
    # Called by "manual" inside each Xvfb.
    korvanta=$2 out=$3
    scenes "$4"
    exit 0 ;;
  *) echo "unknown: $what (scope, distortion, ir or manual)" >&2; exit 2 ;;
esac
mkdir -p "$out"
out=$(cd "$out" && pwd)

if [ "$what" = manual ]; then
  command -v openbox >/dev/null || { echo "openbox is missing: scripts/install-deps.sh installs it" >&2; exit 1; }
  korvanta=$(cd "$build" && pwd)/app/ui/korvanta
  [ -x "$korvanta" ] || { echo "no program at $korvanta: build it first" >&2; exit 1; }
  for size in 1600x1000 1366x768; do
    xvfb-run -a -s "-screen 0 ${size}x24" "$here/screenshots.sh" _scenes "$korvanta" "$out" "$size"
  done
  ls -l "$out"/*-first-start.png "$out"/*-f1-*.png
  if [ "$4" = --help-images ]; then
    images="$here/../app/help/images"
    mkdir -p "$images"
    for tag in de en; do
      for page in analyzer generator scope; do
        # Cut to the windows, three quarters of their size and a small palette:
        # a few tens of kB each, still
        # readable enough to find a control by.
        convert "$out/$tag-1366x768-$page.png" -trim +repage -resize 75% -dither None -colors 96 -strip "$images/$tag-$page.png"
      done
    done
    ls -l "$images"
  fi
  exit 0
fi

KORVANTA_SCREENSHOT_DIR=$out KORVANTA_AUDIO=virtual QT_QPA_PLATFORM=xcb \
  KORVANTA_SETTINGS=$(mktemp -d)/krv14f.ini \
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/$test" --gtest_filter="$filter"
for p in $pictures; do ls -l "$out/$p"; done
