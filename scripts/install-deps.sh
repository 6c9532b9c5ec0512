#!/usr/bin/env bash
# Installs the Debian packages Korvanta needs to build and run; with --tests
# also what its tests need (scripts/test.sh). Safe to rerun: packages that
# are already present are not touched.
#
# The tests start sound servers of their own (PulseAudio and PipeWire, see
# tests/support/SoundServer.h). Nothing of the user's sound system is removed
# or replaced for them:
#  - `pulseaudio` and `pipewire-pulse` exclude each other, so `pulseaudio` is
#    installed only where `pipewire-pulse` is not; on a PipeWire desktop the
#    PulseAudio tests talk to PipeWire's own PulseAudio front end;
#  - `wireplumber` replaces `pipewire-media-session`, so it is not installed
#    where that is (the PipeWire tests then say they cannot start);
#  - `pipewire-alsa` routes ALSA's "default" of every program to PipeWire,
#    so where it is not installed its ALSA plugin is unpacked into .deps/
#    of this project, which only the tests read.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache mold
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-svg-dev
  libasound2-dev alsa-utils
  libsndfile1-dev
  fonts-liberation fontconfig qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev
  xvfb openbox xauth x11-utils xdotool poppler-utils imagemagick python3-numpy
  desktop-file-utils appstream file dpkg-dev
  clang libclang-rt-dev
)

# The tests' sound servers, and the LADSPA filters the device test's server
# test puts in front of their loop (ladspa-sdk's high-pass, swh-plugins'
# low-pass).
TEST_PACKAGES=(
  pulseaudio-utils libasound2-plugins
  pipewire pipewire-bin dbus-daemon
  ladspa-sdk swh-plugins
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

wanted=("${PACKAGES[@]}")
if [ "${1:-}" = "--tests" ]; then
  wanted+=("${TEST_PACKAGES[@]}")
  installed pipewire-pulse || wanted+=(pulseaudio)
  # WirePlumber would replace a desktop's older session manager.
  installed pipewire-media-session || wanted+=(wireplumber)
fi

missing=()
for p in "${wanted[@]}"; do
  installed "$p" || missing+=("$p")
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ "${1:-}" = "--tests" ] && ! installed pipewire-alsa && [ ! -e "$here/.deps/alsa-lib/libasound_module_pcm_pipewire.so" ]; then
  echo "Unpacking the ALSA plugin of pipewire-alsa into .deps/"
  unpack="$(mktemp -d)"
  chmod 755 "$unpack" # apt-get download fetches as its own user
  (cd "$unpack" && apt-get download -qq pipewire-alsa && dpkg-deb -x pipewire-alsa_*.deb root)
  mkdir -p "$here/.deps/alsa-lib"
  cp "$unpack"/root/usr/lib/*/alsa-lib/libasound_module_*_pipewire.so "$here/.deps/alsa-lib/"
  rm -rf "$unpack"
fi
