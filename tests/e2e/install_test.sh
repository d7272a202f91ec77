#!/usr/bin/env bash
# scripts/install.sh for a user with a fresh home (a space in its path, XDG_DATA_HOME set), from
# a copy of the source tree that is deleted before the game starts: a desktop entry that
# validates, a launcher that opens the game's window, and an uninstall that leaves the home as
# it was.
#     install_test.sh SOURCE_DIR PYTHON3 OUT_DIR
set -euo pipefail
source_dir=$1 python=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/plix install.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/home/data
mkdir -p "$HOME/.local/bin" "$HOME/.config"
unset PLIX_WINEPREFIX WINEPREFIX

# Caches (fontconfig's, Wine's) are not part of an install.
listing() { (cd "$HOME" && find . -path ./.cache -prune -o -print | LC_ALL=C sort); }
before=$(listing)

mkdir "$work/source"
tar -C "$source_dir" --exclude=./build --exclude=./dist --exclude=./.git -cf - . |
    tar -C "$work/source" -xf -
"$work/source/scripts/install.sh"
rm -rf "$work/source"

entry=$XDG_DATA_HOME/applications/plix.desktop
desktop-file-validate "$entry"
for size in 32 48 64 128 256; do
    identify -format '%w %h\n' "$XDG_DATA_HOME/icons/hicolor/${size}x$size/apps/plix.png" |
        grep -qx "$size $size"
done
# What the desktop's menu runs, and where.
exec_line=$(sed -n 's/^Exec=//p' "$entry")
path_line=$(sed -n 's/^Path=//p' "$entry")
[ "$exec_line" = "\"$HOME/.local/bin/plix\"" ] || { echo "Exec=$exec_line" >&2; exit 1; }
for file in plix.exe plix.exe.manifest; do
    [ -f "$path_line/$file" ] || { echo "Path=$path_line has no $file" >&2; exit 1; }
done

"$python" -X utf8 -m pytest -p no:cacheprovider -q "$here/test_installed.py" \
    --launcher "$HOME/.local/bin/plix" --prefix "$XDG_DATA_HOME/plix/prefix" --out "$out"

"$source_dir/scripts/install.sh" --uninstall
after=$(listing)
if [ "$before" != "$after" ]; then
    echo "the uninstall left the home changed:" >&2
    diff <(echo "$before") <(echo "$after") >&2
    exit 1
fi
echo "install, start from the launcher and uninstall: passed"
