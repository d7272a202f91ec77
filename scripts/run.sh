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

# Started as the package starts it: its launcher, laid out beside the build as in /usr (games/plix,
# lib/plix the game's folder), with the player's data folder, and so the prefix, in the build tree.
run=build/win64/run
mkdir -p "$run/games" "$run/lib"
install -m 755 packaging/deb/plix "$run/games/plix"
ln -sfn ../.. "$run/lib/plix"
XDG_DATA_HOME=$PWD/$run exec "$PWD/$run/games/plix"
