#!/usr/bin/env bash
# The Debian package, written from this build: Debian's own checkers find nothing wrong with it,
# it holds exactly the expected files, and its launcher, run from the package unpacked under a
# folder with a space in its name, opens the game in a Wine prefix under a fresh home's
# XDG_DATA_HOME.
#     install_test.sh SOURCE_DIR BUILD_DIR PYTHON3 OUT_DIR
set -euo pipefail
source_dir=$1 build_dir=$2 python=$3 out=$4
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/plix install.XXXXXX")
trap 'rm -rf "$work"' EXIT
deb=$("$source_dir/packaging/deb/make_deb.sh" "$build_dir" "$work")

# Errors and warnings fail; the info and pedantic tags left are printed for the log.
lintian --fail-on error,warning --display-info --pedantic "$deb"
mkdir "$work/un pack"
dpkg-deb -x "$deb" "$work/un pack"
appstreamcli validate --no-net "$work/un pack"/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$work/un pack/usr/share/applications/plix.desktop"
if ! diff -u "$source_dir/packaging/deb/contents.txt" \
    <(dpkg-deb --fsys-tarfile "$deb" | tar -t | LC_ALL=C sort); then
    echo "the package's files differ from packaging/deb/contents.txt" >&2
    exit 1
fi

export HOME=$work/home XDG_DATA_HOME=$work/home/data
mkdir -p "$HOME"
unset PLIX_WINEPREFIX WINEPREFIX
"$python" -X utf8 -m pytest -p no:cacheprovider -q "$here/test_installed.py" \
    --launcher "$work/un pack/usr/games/plix" --prefix "$XDG_DATA_HOME/plix/prefix" --out "$out"
echo "the package checked, and its launcher started the game: passed"
