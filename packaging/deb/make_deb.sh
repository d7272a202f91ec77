#!/usr/bin/env bash
# Writes the Debian package plix_<version>-1_amd64.deb into OUT_DIR from a 64-bit build folder
# (build/package-win64, or build/win64), and prints its path. The game's folder is what the
# build's install rules give (the archives' folder, less the readmes for Windows users).
#
#     make_deb.sh BUILD_DIR OUT_DIR
#
# The same commit gives the same bytes anywhere: every file carries the commit's time (or
# SOURCE_DATE_EPOCH when set), root owns everything, modes are set here, and dpkg-deb writes the
# files in name order with one fixed compressor setting.
set -euo pipefail
[ $# -eq 2 ] || { sed -n '7s/^# \{0,1\}//p' "$0" >&2 && exit 2; }
build=$1 out=$2
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null || true)}
if [ -z "$epoch" ]; then
    echo "make_deb: $source_dir is no git checkout and SOURCE_DATE_EPOCH is not set: the package" \
        "carries the present time" >&2
    epoch=$(date +%s)
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/plix-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The readmes' names are Japanese: their bytes need a UTF-8 locale, which C.UTF-8 always is.
LC_ALL=C.UTF-8 cmake --install "$build" --prefix "$work/install" >/dev/null
game=$(echo "$work"/install/plix-*)
[ -f "$game/plix.exe" ] || { echo "make_deb: no plix.exe installed from $build" >&2 && exit 1; }
version=${game##*/plix-}
deb_version=$(dpkg-parsechangelog -l "$here/changelog" -S Version)
[ "${deb_version%-*}" = "$version" ] ||
    { echo "make_deb: packaging/deb/changelog is at $deb_version, the build at $version" >&2 && exit 1; }

root=$work/root
umask 022
dir() { install -d -m 755 "${@/#/$root/}"; }
dir DEBIAN usr/games usr/lib/plix usr/share/applications usr/share/metainfo usr/share/man/man6 \
    usr/share/doc/plix usr/share/lintian/overrides
# The program, with the files of packaging/game_files.txt that Wine and its help viewer find only
# beside it. The rest of that list and the notices of the libraries linked into plix.exe (the
# versions and the whole terms) go with the documentation.
install -m 644 "$game"/plix.exe "$root/usr/lib/plix/"
while read -r file place; do
    target=usr/share/doc/plix
    [ "$place" = lib ] && target=usr/lib/plix
    install -m 644 "$game/${file##*/}" "$root/$target/"
done < <(grep -v '^#' "$source_dir/packaging/game_files.txt")
install -m 644 "$game"/THIRD-PARTY-NOTICES.txt "$root/usr/share/doc/plix/"
install -m 755 "$here/plix" "$root/usr/games/plix"
for size in 32 48 64 128 256; do
    dir "usr/share/icons/hicolor/${size}x$size/apps"
    python3 "$source_dir/app/win32/make_icon.py" --png "$size" \
        "$root/usr/share/icons/hicolor/${size}x$size/apps/plix.png"
    chmod 644 "$root/usr/share/icons/hicolor/${size}x$size/apps/plix.png"
done
install -m 644 "$here/plix.desktop" "$root/usr/share/applications/"
install -m 644 "$here"/*.metainfo.xml "$root/usr/share/metainfo/"
install -m 644 "$here/copyright" "$root/usr/share/doc/plix/"
install -m 644 "$here/lintian-overrides" "$root/usr/share/lintian/overrides/plix"
gzip -9n <"$here/plix.6" >"$root/usr/share/man/man6/plix.6.gz"
gzip -9n <"$here/changelog" >"$root/usr/share/doc/plix/changelog.Debian.gz"
chmod 644 "$root/usr/share/man/man6/plix.6.gz" "$root/usr/share/doc/plix/changelog.Debian.gz"

(cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum >DEBIAN/md5sums)
chmod 644 "$root/DEBIAN/md5sums"
# Version and Installed-Size come from the changelog and the tree, as for any Debian package.
dpkg-gencontrol -c"$here/control" -l"$here/changelog" -f"$work/files" -P"$root" -DArchitecture=amd64
chmod 644 "$root/DEBIAN/control"

find "$root" -exec touch -h -d "@$epoch" {} +
mkdir -p "$out"
deb=$out/plix_${deb_version}_amd64.deb
SOURCE_DATE_EPOCH=$epoch dpkg-deb --root-owner-group -Zxz -z6 --threads-max=1 --build "$root" "$deb" >/dev/null
echo "$deb"
