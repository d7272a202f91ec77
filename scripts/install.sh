#!/usr/bin/env bash
# Installs PLIX for the current user, so that it appears in the desktop's menu: the game and its
# help under $XDG_DATA_HOME/plix (~/.local/share/plix) with a Wine prefix of its own, the
# launcher ~/.local/bin/plix, and a desktop entry with the game's icon. Sets up and builds first.
#
#     scripts/install.sh               install, or replace an earlier install
#     scripts/install.sh --uninstall   remove exactly what the install wrote
set -euo pipefail
cd "$(dirname "$0")/.."

data_home=${XDG_DATA_HOME:-$HOME/.local/share}
bin_dir=$HOME/.local/bin
plix_home=$data_home/plix
manifest=$plix_home/manifest
launcher=$bin_dir/plix
entry=$data_home/applications/plix.desktop
icon_sizes=(32 48 64 128 256)

# The manifest lists, one a line, "f PATH" for each file written and "d PATH" for each folder
# created, in the order made; uninstalling undoes it backwards, so that only folders this script
# created (and that are empty again) go.
uninstall() {
    if [ ! -f "$manifest" ]; then
        echo "install: PLIX is not installed under $plix_home" >&2
        return 0
    fi
    local kind path entries=()
    if [ -x "$plix_home/wine.sh" ]; then
        # Not from under a running game.
        PLIX_WINEPREFIX=$plix_home/prefix "$plix_home/wine.sh" stop || true
    fi
    mapfile -t entries <"$manifest"
    for ((i = ${#entries[@]} - 1; i >= 0; i--)); do
        kind=${entries[i]%% *}
        path=${entries[i]#* }
        case $kind in
        f) rm -f -- "$path" ;;
        d) if [ "$path" = "$plix_home" ]; then
            # The game's own folder, its Wine prefix and the manifest included.
            rm -rf -- "$path"
        else
            rmdir -- "$path" 2>/dev/null || true
        fi ;;
        esac
    done
    echo "install: removed PLIX"
}

if [ "${1:-}" = "--uninstall" ]; then
    uninstall
    exit 0
elif [ $# -gt 0 ]; then
    sed -n '2,8s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi

# Nothing of another program's is overwritten.
if [ ! -f "$manifest" ]; then
    for path in "$plix_home" "$launcher" "$entry"; do
        if [ -e "$path" ]; then
            echo "install: $path exists and is not from an earlier install; not touching it" >&2
            exit 1
        fi
    done
fi

scripts/setup.sh game
cmake --preset package-win64 >/dev/null
cmake --build --preset package-win64 -j "$(nproc)"
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
# The install rules of the Windows archive: plix.exe, its manifest, help files and readmes.
cmake --install build/package-win64 --prefix "$staging" >/dev/null
for size in "${icon_sizes[@]}"; do
    python3 app/win32/make_icon.py --png "$size" "$staging/plix-$size.png"
done

if [ -f "$manifest" ]; then
    uninstall >/dev/null
fi

make_dir() {
    local dir=$1 missing=()
    while [ ! -d "$dir" ]; do
        missing=("$dir" "${missing[@]}")
        dir=$(dirname "$dir")
    done
    for dir in "${missing[@]}"; do
        mkdir -- "$dir"
        pending+=("d $dir")
    done
}
put() {
    local mode=$1 source=$2 target=$3
    make_dir "$(dirname "$target")"
    install -m "$mode" -- "$source" "$target"
    pending+=("f $target")
}
# The manifest goes into the game's folder once that exists.
pending=()
make_dir "$plix_home"
for file in "$staging"/plix-*/*; do
    put 644 "$file" "$plix_home/game/$(basename "$file")"
done
# The launcher runs Wine through a copy of the build's own script: the source tree may go.
put 755 cmake/wine.sh "$plix_home/wine.sh"

cat >"$staging/plix" <<EOF
#!/usr/bin/env bash
# PLIX, installed by scripts/install.sh: plix.exe under Wine with a prefix of its own, started in
# its own folder, where the help viewer finds plix.hlp.
cd $(printf %q "$plix_home/game") || exit 1
export PLIX_WINEPREFIX=$(printf %q "$plix_home/prefix")
exec $(printf %q "$plix_home/wine.sh") run plix.exe "\$@"
EOF
put 755 "$staging/plix" "$launcher"

for size in "${icon_sizes[@]}"; do
    put 644 "$staging/plix-$size.png" "$data_home/icons/hicolor/${size}x$size/apps/plix.png"
done

# Desktop entry values: Exec quoted as the entry's format asks (\, ", ` and $ escaped inside the
# quotes, % doubled), then, like Path, with the backslashes of a string value doubled.
exec_arg=$launcher
for c in '\' '"' '`' '$'; do
    exec_arg=${exec_arg//"$c"/\\$c}
done
exec_arg="\"${exec_arg//%/%%}\""
cat >"$staging/plix.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=PLIX
GenericName=Reversi
GenericName[ja]=リバーシ
Comment=Reversi on an 8 x 8 board, against a person or the computer
Comment[ja]=8×8 の盤のリバーシ。人間どうしでも、コンピュータとも対戦できます
Exec=${exec_arg//\\/\\\\}
Path=${plix_home//\\/\\\\}/game
Icon=plix
Terminal=false
Categories=Game;BoardGame;
StartupWMClass=plix.exe
EOF
put 644 "$staging/plix.desktop" "$entry"

printf '%s\n' "${pending[@]}" >"$manifest"

# The prefix is made now, with the set-up the run command uses, rather than at the first start.
echo "install: preparing the Wine prefix"
PLIX_WINEPREFIX=$plix_home/prefix "$plix_home/wine.sh" prepare

echo "install: PLIX is in the desktop's menu; $launcher starts it"
case ":$PATH:" in
*":$bin_dir:"*) ;;
*) echo "install: $bin_dir is not on PATH; the menu entry works all the same" ;;
esac
