#!/usr/bin/env bash
# Sets everything up, builds the 64-bit and the 32-bit plix.exe and writes the archives that a
# Windows user unpacks: dist/plix-<version>-win64.zip and dist/plix-<version>-win32.zip, each
# with one folder plix-<version>/ holding the game, its help and a readme.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
mkdir -p dist
for arch in win64 win32; do
    preset=package-$arch
    rm -rf "build/$preset/package"
    CMAKE_BUILD_PARALLEL_LEVEL=$(nproc) cmake --workflow --preset "$preset" >/dev/null
    for archive in "build/$preset/package"/plix-*-"$arch".zip; do
        cp "$archive" dist/
        echo "package: dist/$(basename "$archive")"
    done
done
