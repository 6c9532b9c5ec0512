#!/usr/bin/env bash
# Installs the Debian packages Korvanta needs to build, run and test.
# Safe to rerun: packages that are already present are not touched.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-svg-dev
  libasound2-dev alsa-utils
  pulseaudio pulseaudio-utils libasound2-plugins
  libsndfile1-dev
  fonts-liberation fontconfig qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev
  xvfb xauth x11-utils xdotool openbox poppler-utils imagemagick python3-numpy
  desktop-file-utils appstream file dpkg-dev
  clang libclang-rt-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
