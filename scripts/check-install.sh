#!/usr/bin/env bash
# Checks the program as users get it, from an existing build folder (nothing
# is built here): installs it into a staging folder, runs the installed copy
# (start, open the help, close) with a private home, validates the desktop
# entry and the AppStream metadata, and builds the Debian package into
# <build>/package.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root="$stage/root"

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

# The installed program: settings under XDG, never beside the program, and
# the help pages from its data folder.
home="$stage/home"
mkdir -p "$home"
# A fresh settings file speaks the system's language: German here, so the
# German help page and SPRACHE=D prove the locale rule on the installed program.
out=$(env -u KORVANTA_SETTINGS -u LC_ALL -u LC_MESSAGES LANG=de_DE.UTF-8 HOME="$home" XDG_CONFIG_HOME="$home/config" QT_QPA_PLATFORM=offscreen \
      KORVANTA_AUDIO=virtual KORVANTA_EXIT_AFTER_SHOW=help timeout 120 "$root/usr/bin/korvanta" 2>/dev/null)
echo "installed program: $out"
grep -qF "help: file://$root/usr/share/korvanta/krv14fd.html#contents" <<<"$out" \
  || { echo "the installed program did not open its installed help"; exit 1; }
grep -q '^SPRACHE=D' "$home/config/korvanta/krv14f.ini" \
  || { echo "no settings written under XDG_CONFIG_HOME"; exit 1; }
if [ -e "$root/usr/bin/krv14f.ini" ]; then echo "settings written beside the installed program"; exit 1; fi
# The pictures the help pages show lie where the pages look for them.
for page in krv14fd.html krv14fe.html; do
  for image in $(grep -o 'src="images/[^"]*"' "$root/usr/share/korvanta/$page" | sed 's/^src="//;s/"$//'); do
    [ -s "$root/usr/share/korvanta/$image" ] || { echo "$page shows $image, which is not installed"; exit 1; }
  done
done
# The program's own manual page, beside the measuring command's.
grep -q '^\.TH KORVANTA 1' "$root/usr/share/man/man1/korvanta.1" \
  || { echo "no manual page of korvanta"; exit 1; }
MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/korvanta.1" 2>&1 >/dev/null | grep . && { echo "korvanta.1 has roff warnings"; exit 1; }

# The measuring command beside it: its manual page is installed, and it
# measures on the virtual card without writing a settings file.
home2="$stage/home2"
mkdir -p "$home2"
grep -q '^\.TH KORVANTA-MEASURE 1' "$root/usr/share/man/man1/korvanta-measure.1" \
  || { echo "no manual page of korvanta-measure"; exit 1; }
grep -q '^\.SH EXAMPLES' "$root/usr/share/man/man1/korvanta-measure.1" \
  || { echo "the manual page of korvanta-measure has no examples"; exit 1; }
env -u KORVANTA_SETTINGS HOME="$home2" XDG_CONFIG_HOME="$home2/config" "$root/usr/bin/korvanta-measure" level \
    --dut "fast=1 ext=sine freq=1000 level=-10" --csv --quiet | grep -q '^left,' \
  || { echo "the installed korvanta-measure did not measure"; exit 1; }
if [ -n "$(ls -A "$home2")" ]; then echo "korvanta-measure wrote into the home folder"; exit 1; fi
echo "installed korvanta-measure: measures, manual page present"

desktop-file-validate "$root/usr/share/applications/korvanta.desktop"
# The component id is not a reverse domain name (the project has no domain
# of its own): that warning is accepted, errors are not.
report=$(appstreamcli validate --no-net --no-color "$root/usr/share/metainfo/korvanta.metainfo.xml" 2>&1 || true)
echo "$report"
if grep -q '^E:' <<<"$report"; then echo "AppStream metadata has errors"; exit 1; fi

rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
deb=$(ls "$build"/package/korvanta_*.deb)
contents=$(dpkg-deb --contents "$deb")
for f in usr/bin/korvanta usr/bin/korvanta-measure usr/share/man/man1/korvanta-measure.1 usr/share/man/man1/korvanta.1 \
         usr/share/korvanta/images/de-analyzer.png usr/share/korvanta/images/en-scope.png \
         usr/share/korvanta/krv14fd.html usr/share/korvanta/krv14fe.html \
         usr/share/korvanta/installed usr/share/applications/korvanta.desktop \
         usr/share/metainfo/korvanta.metainfo.xml usr/share/icons/hicolor/scalable/apps/korvanta.svg \
         usr/share/icons/hicolor/48x48/apps/korvanta.png usr/share/icons/hicolor/256x256/apps/korvanta.png; do
  grep -q " \./$f\$" <<<"$contents" || { echo "$deb lacks $f"; exit 1; }
done
echo "package: $deb"
dpkg-deb --field "$deb" Depends
