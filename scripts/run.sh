#!/usr/bin/env bash
# Sets everything up, builds plix.exe and starts it under Wine with Japanese text.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no graphical display (DISPLAY is not set); start this from a desktop session." >&2
    exit 1
fi

scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target plix

PLIX_WINEPREFIX="$PWD/build/win64/wineprefix" exec cmake/wine-run.sh build/win64/plix.exe
