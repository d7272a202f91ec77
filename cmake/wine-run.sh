#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix of the build's own, created on first use.
# Used by ctest as the cross-compiling emulator and by the scripts that start plix.exe.
set -euo pipefail

: "${WINEPREFIX:=${PLIX_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

wine=$(command -v wine)

mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.plix-ready" ]; then
        "$wine" wineboot --init >/dev/null 2>&1 || true
        wineserver -w || true
        touch "$WINEPREFIX/.plix-ready"
    fi
) 9>"$WINEPREFIX.lock"

exec "$wine" "$@"
