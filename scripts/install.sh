#!/usr/bin/env bash
# Builds the game's Debian package (dist/plix_<version>-1_amd64.deb) and installs it with apt, as
# root or through sudo: the launcher plix on PATH and PLIX in the desktop's menu. Sets up and
# builds first. An install into the home folder left by an earlier version of this script is
# removed, so that the menu has one PLIX.
#
#     scripts/install.sh               install, or replace an earlier install
#     scripts/install.sh --uninstall   remove the package with apt (purged)
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/as_root.sh

# The earlier script kept a list of what it wrote, "f PATH" for each file and "d PATH" for each
# folder it made, in order; undone backwards, so that only folders it made (and empty) go.
remove_home_install() {
    local plix_home=${XDG_DATA_HOME:-$HOME/.local/share}/plix
    local manifest=$plix_home/manifest kind path entries=()
    [ -f "$manifest" ] || return 0
    if [ -x "$plix_home/wine.sh" ]; then
        PLIX_WINEPREFIX=$plix_home/prefix "$plix_home/wine.sh" stop || true
    fi
    mapfile -t entries <"$manifest"
    for ((i = ${#entries[@]} - 1; i >= 0; i--)); do
        kind=${entries[i]%% *}
        path=${entries[i]#* }
        case $kind in
        f) rm -f -- "$path" ;;
        d) if [ "$path" = "$plix_home" ]; then
            rm -rf -- "$path"
        else
            rmdir -- "$path" 2>/dev/null || true
        fi ;;
        esac
    done
    echo "install: removed the earlier install from $plix_home"
}

if [ "${1:-}" = "--uninstall" ]; then
    remove_home_install
    if dpkg-query -W -f='${Status}' plix 2>/dev/null | grep -q "ok installed"; then
        as_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q plix
    else
        echo "install: the package plix is not installed"
    fi
    echo "install: each player's Wine prefix stays in \$XDG_DATA_HOME/plix (~/.local/share/plix)"
    exit 0
elif [ $# -gt 0 ]; then
    sed -n '7,8s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi

scripts/setup.sh game
cmake --preset package-win64 >/dev/null
cmake --build --preset package-win64 -j "$(nproc)"
deb=$(packaging/deb/make_deb.sh build/package-win64 dist)
remove_home_install
reinstall=()
if dpkg-query -W -f='${Status}' plix 2>/dev/null | grep -q "ok installed"; then
    reinstall=(--reinstall)
fi
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${reinstall[@]}" "./$deb"
echo "install: PLIX is in the desktop's menu; plix starts it"
