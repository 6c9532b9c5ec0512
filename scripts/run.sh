#!/usr/bin/env bash
# Installs what is missing, builds Korvanta and starts it. Without a sound
# card the program runs on its virtual loopback card.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start Korvanta from a desktop session (or try: xvfb-run -a ./scripts/run.sh)." >&2
  exit 1
fi
cmake --preset default >/dev/null
cmake --build --preset default --target korvanta
exec ./build/app/ui/korvanta "$@"
