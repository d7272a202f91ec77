#!/usr/bin/env bash
# The Debian package's launcher, unpacked where every user can read it, put through
# test_launcher_faults.py as the user nobody. Root only: for the other user and a small tmpfs.
#     faults_test.sh SOURCE_DIR BUILD_DIR PYTHON3 OUT_DIR
set -euo pipefail
source_dir=$1 build_dir=$2 python=$3 out=$4
here=$(cd "$(dirname "$0")" && pwd)
if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: the launcher's fault test runs it as another user and mounts a tmpfs: it needs root"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/plix-faults-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
deb=$("$source_dir/packaging/deb/make_deb.sh" "$build_dir" "$work")
dpkg-deb -x "$deb" "$work/root"
"$python" -X utf8 -m pytest -p no:cacheprovider -q "$here/test_launcher_faults.py" \
    --launcher "$work/root/usr/games/plix" --out "$out"
