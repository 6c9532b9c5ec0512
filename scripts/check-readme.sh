#!/usr/bin/env bash
# Runs the README's command blocks as a user types them, so that none of
# them can break unnoticed:
#   scripts/check-readme.sh examples [build]   the korvanta-measure examples:
#       each block runs in a scratch folder with the build's command first on
#       PATH, and every `echo "name: $?"` must print the status its comment
#       promises ("# sweep: 1 ...");
#   scripts/check-readme.sh install [build]    the Install block, with sudo
#       left out, `cmake --install` into a scratch folder (DESTDIR) and the
#       package only simulated by apt, then the installed command run once;
#       and the Building by hand block, whose configure and build commands
#       run as written (on an existing build they only check) and whose test
#       command is the one scripts/test.sh runs.
# The Quick start is checked by scripts/check-first-run.sh and by CI running
# scripts/test.sh; the fuzzing block by CI running scripts/fuzz.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
what=${1:?"usage: $0 examples|install [build]"}
build=$(cd "${2:-build}" && pwd)

# The lines of every ```sh block under the heading `$1` (a "## " or "### "
# heading, matched from its start).
blocks_under() {
  awk -v want="$1" '
    /^#+ / { sub(/^#+ /, ""); heading = $0; next }
    /^```sh/ { inside = (index(heading, want) == 1); next }
    /^```/ { inside = 0; next }
    inside { print }' README.md
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# One example block: run it, then compare each echoed status with the one
# its comment names.
check_examples() {
  local heading=$1 script="$scratch/block.sh" out="$scratch/block.out"
  blocks_under "$heading" >"$script"
  if ! grep -q 'korvanta-measure' "$script"; then
    echo "README: no example under \"$heading\"" >&2
    return 1
  fi
  local expected
  expected=$(sed -n 's/^echo "\([a-z-]*\): \$?".*# *\([a-z-]*: [0-9]*\).*/\2/p' "$script")
  [ -n "$expected" ] || { echo "README: \"$heading\" promises no status" >&2; return 1; }
  local work="$scratch/work-${heading// /_}"
  mkdir -p "$work"
  (cd "$work" && env PATH="$build/cli:$PATH" KORVANTA_SETTINGS="$work/krv14f.ini" KORVANTA_AUDIO=virtual \
     bash "$script" >"$out" 2>"$work/stderr") || true
  local got
  got=$(grep -E '^[a-z-]+: [0-9]+$' "$out" || true)
  if [ "$got" != "$expected" ]; then
    echo "README \"$heading\": the statuses differ from what the comments promise" >&2
    diff <(echo "$expected") <(echo "$got") >&2 || true
    echo "--- standard error:" >&2
    tail -n 20 "$work/stderr" >&2
    return 1
  fi
  echo "README \"$heading\": $(echo "$got" | wc -l) statuses as promised"
}

check_install() {
  local script="$scratch/install.sh" stage="$scratch/stage"
  # sudo asks for nothing here; the install goes into the stage; apt only
  # shows what it would do; the build is the one given.
  blocks_under "Install" \
    | sed -e 's/#.*//' -e 's/^sudo //' -e '/^[[:space:]]*$/d' \
          -e "s#^cmake --install build #DESTDIR=$stage cmake --install build #" \
          -e 's#^apt install #apt-get install --simulate #' \
    >"$script"
  grep -q 'DESTDIR=' "$script" || { echo "README: the Install block installs nothing" >&2; return 1; }
  if [ "$build" != "$root/build" ]; then sed -i "s# build/# $build/#g; s# build # $build #g" "$script"; fi
  echo "Install block, as run here:"; sed 's/^/  /' "$script"
  bash -e "$script" >"$scratch/install.out" 2>&1 || { tail -n 40 "$scratch/install.out" >&2; return 1; }
  local bin
  bin=$(find "$stage" -path '*/bin/korvanta-measure' | head -n 1)
  [ -n "$bin" ] && [ -x "$(dirname "$bin")/korvanta" ] \
    || { echo "the Install block put no korvanta and korvanta-measure into a bin/ folder" >&2; return 1; }
  env -u KORVANTA_SETTINGS HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" "$bin" level \
      --dut "fast=1 ext=sine freq=1000 level=-10" --csv --quiet | grep -q '^left,' \
    || { echo "the installed korvanta-measure did not measure" >&2; return 1; }
  echo "Install block: installed into a stage, the package resolves, the installed command measures"

  local line ran=0
  while IFS= read -r line; do
    line=${line%%#*}
    line=$(echo "$line" | sed 's/[[:space:]]*$//')
    [ -n "$line" ] || continue
    case "$line" in
      "ctest --preset default")
        grep -q '^ctest --preset default' scripts/test.sh \
          || { echo "README: scripts/test.sh does not run \"$line\"" >&2; return 1; }
        ;;
      "bash scripts/install-deps.sh" | "cmake --preset default" | "cmake --build --preset default")
        [ "$build" = "$root/build" ] || continue
        bash -c "$line" >"$scratch/build.out" 2>&1 || { tail -n 40 "$scratch/build.out" >&2; return 1; }
        ran=$((ran + 1))
        ;;
      *) echo "README: Building by hand has a command this check does not know: $line" >&2; return 1 ;;
    esac
  done < <(blocks_under "Building by hand")
  echo "Building by hand: $ran commands ran, the test command is scripts/test.sh's"
}

case "$what" in
  examples)
    status=0
    for heading in "Automation" "The impulse response from the command line" "Testing a sound card"; do
      check_examples "$heading" || status=1
    done
    exit $status
    ;;
  install) check_install ;;
  *) echo "usage: $0 examples|install [build]" >&2; exit 2 ;;
esac
