#!/usr/bin/env bash
# Sets everything up, builds the 64-bit and the 32-bit plix.exe and writes the archives that a
# Windows user unpacks: dist/plix-<version>-win64.zip and dist/plix-<version>-win32.zip, each
# with one folder plix-<version>/ holding the game, its manifest, its help and a readme; the Debian
# package of the 64-bit game, dist/plix_<version>-1_amd64.deb; the browser edition,
# dist/plix-<version>-web.zip, a folder that opens from disk or from any web host; and their
# SHA-256 sums in dist/SHA256SUMS. Every file in them carries the time of the commit (or
# SOURCE_DATE_EPOCH when set).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
mkdir -p dist
archives=()
for arch in win64 win32; do
    preset=package-$arch
    rm -rf "build/$preset/package"
    CMAKE_BUILD_PARALLEL_LEVEL=$(nproc) cmake --workflow --preset "$preset" >/dev/null
    for archive in "build/$preset/package"/plix-*-"$arch".zip; do
        cp "$archive" dist/
        archives+=("$(basename "$archive")")
    done
done
rm -rf build/web/package
cmake --preset web >/dev/null
CMAKE_BUILD_PARALLEL_LEVEL=$(nproc) cmake --build --preset web >/dev/null
cpack --preset web >/dev/null
cp build/web/package/plix-*-web.zip dist/
archives+=("$(basename build/web/package/plix-*-web.zip)")
deb=$(packaging/deb/make_deb.sh build/package-win64 dist)
archives+=("$(basename "$deb")")
# The same commit gives the same bytes anywhere: anyone can check a handed-out archive against a
# build of their own ("sha256sum -c SHA256SUMS" in dist/).
(cd dist && sha256sum "${archives[@]}" >SHA256SUMS)
sed 's|  |  dist/|; s|^|package: |' dist/SHA256SUMS
echo "package: dist/SHA256SUMS"
