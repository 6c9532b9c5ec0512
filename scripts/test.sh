#!/usr/bin/env bash
# Installs what is missing, builds Korvanta and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests
# KORVANTA_CONFIGURE_ARGS: extra cache settings, e.g. -DKORVANTA_WERROR=ON.
cmake --preset default ${KORVANTA_CONFIGURE_ARGS:-}
cmake --build --preset default
ctest --preset default "$@"
