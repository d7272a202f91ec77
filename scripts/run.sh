#!/usr/bin/env bash
# Sets everything up, builds plix.exe and starts it under Wine with Japanese text.
set -euo pipefail
cd "$(dirname "$0")/.."

# Wine draws through X (on a Wayland desktop through XWayland, which sets DISPLAY too).
no_display() {
    echo "run: $1; start this from a desktop session." >&2
    exit 1
}
check_display() {
    xdpyinfo >/dev/null 2>&1 || no_display "cannot open the X display \"$DISPLAY\""
}

[ -n "${DISPLAY:-}" ] || no_display "there is no X display to open the game window on (DISPLAY is not set)"
if command -v xdpyinfo >/dev/null; then
    check_display
fi

scripts/setup.sh game
check_display
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target plix

# The help viewer looks for plix.hlp in the game's working directory: the program's own folder.
cd build/win64
PLIX_WINEPREFIX="$PWD/wineprefix" exec ../../tests/wine/wine.sh run plix.exe
