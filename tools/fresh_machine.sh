#!/usr/bin/env bash
# Runs a command of the project's on a new Debian machine, as a newcomer would meet it: a minbase
# root of Debian 13 (trixie, the current stable release) or 12 (bookworm) with that release's stock
# sources (the release, -updates and -security, from the mirrors this machine's apt uses), made
# once with debootstrap and cached, unpacked afresh for every run, with
# a copy of the project's work tree (tracked and untracked files, and .git) in /plix. The command
# runs there as root from a shell with no locale (env -i), and is timed; apt's downloads are
# added up. Needs root. Not part of the tests: it downloads for minutes.
#
#     tools/fresh_machine.sh [--release trixie|bookworm] [--window TITLE] [--keep] COMMAND [ARG...]
#
#   --release NAME  the Debian release to make: trixie (13, the default) or bookworm (12)
#   --window TITLE  give the command an X display of this machine's and succeed once a window
#                   whose name holds TITLE is shown (a screenshot is kept), then end the command
#   --keep          keep the root afterwards (its path is printed)
#
# For example: tools/fresh_machine.sh scripts/setup.sh
#              tools/fresh_machine.sh --release bookworm --window REVERSI scripts/run.sh
#              tools/fresh_machine.sh bash -c 'scripts/package.sh && bash .ci/run'
# PLIX_FRESH_DIR holds the cache and the runs (default /var/tmp/plix-fresh).
set -euo pipefail

usage() {
    sed -n '10,15s/^# \{0,1\}//p' "$0" >&2
    exit 2
}

release=trixie window='' keep=0
while [ $# -gt 0 ]; do
    case $1 in
    --release) release=$2 && shift 2 ;;
    --window) window=$2 && shift 2 ;;
    --keep) keep=1 && shift ;;
    --) shift && break ;;
    -*) usage ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || usage
case $release in
bookworm | trixie) ;;
*) usage ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "fresh_machine: needs root (debootstrap, chroot, mounts)" >&2 && exit 1; }

project=$(cd "$(dirname "$0")/.." && pwd)
. "$project/tools/x_display.sh"
cache=${PLIX_FRESH_DIR:-/var/tmp/plix-fresh}
base=$cache/$release-minbase.tar
mkdir -p "$cache"

say() {
    echo "fresh_machine: $*"
}

# The mirror that this machine's apt reads a suite from, as the stock sources would name it. A
# release this machine does not use comes from the same mirrors as its own.
mirror_of() {
    local own uri='' suite
    own=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    for suite in "$1" "${1/$release/$own}"; do
        uri=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 2>/dev/null |
            awk -v suite="$suite" '$2 == suite { print $1; exit }')
        [ -z "$uri" ] || break
    done
    echo "${uri%/}"
}

# The sources that the release's installer writes.
write_sources() {
    local tree=$1 debian=$2 security=$3
    if [ "$release" = bookworm ]; then
        cat >"$tree/etc/apt/sources.list" <<EOF
deb $debian $release main
deb $debian $release-updates main
deb $security $release-security main
EOF
    else
        rm -f "$tree/etc/apt/sources.list"
        cat >"$tree/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $debian
Suites: $release $release-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $security
Suites: $release-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    fi
}

make_base() {
    local debian security tree
    debian=$(mirror_of $release)
    security=$(mirror_of $release-security)
    [ -n "$debian" ] && [ -n "$security" ] ||
        { say "this machine's apt reads no Debian and Debian security suites to take mirrors from" >&2 && exit 1; }
    command -v debootstrap >/dev/null ||
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >/dev/null
    tree=$(mktemp -d "$cache/base.XXXXXX")
    say "making a $release minbase root from $debian (once; cached in $base)"
    debootstrap --variant=minbase $release "$tree" "$debian" >"$cache/debootstrap-$release.log" 2>&1 ||
        { say "debootstrap failed; see $cache/debootstrap-$release.log" >&2 && rm -rf "$tree" && exit 1; }
    write_sources "$tree" "$debian" "$security"
    rm -rf "$tree"/var/lib/apt/lists/* "$tree"/var/cache/apt/archives/*.deb
    tar -C "$tree" -cf "$base.part" . && mv "$base.part" "$base"
    rm -rf "$tree"
}

[ -f "$base" ] || make_base

root=$(mktemp -d "$cache/run.XXXXXX")
command_pid=''
cleanup() {
    local pid
    set +e
    # Whatever the command left running in the root (a wineserver, say) ends with it.
    for pid in /proc/[0-9]*; do
        [ "$(readlink "$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "${pid#/proc/}" 2>/dev/null
    done
    [ -z "$command_pid" ] || wait "$command_pid" 2>/dev/null
    stop_x_display
    sleep 1
    for mount in tmp/.X11-unix dev/pts dev sys proc; do
        mountpoint -q "$root/$mount" && umount -l "$root/$mount"
    done
    if [ "$keep" = 1 ]; then
        say "the root is kept in $root"
    else
        rm -rf --one-file-system "$root"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

tar -C "$root" -xpf "$base"
# The root's folder has the mode of the one debootstrap filled, 0700 as mktemp makes it, which
# would keep apt's own user and every account but root out of the system.
chmod 755 "$root"
mkdir -p "$root/plix"
(cd "$project" && git ls-files -z --cached --others --exclude-standard |
    xargs -0 -r sh -c 'for f; do [ -e "$f" ] || [ -L "$f" ] && printf "%s\0" "$f"; done' sh |
    tar --null -T - -cf - .git) | tar -C "$root/plix" -xf -
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"

environment=(PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
    TERM="${TERM:-dumb}")
if [ -n "$window" ]; then
    # The display is this machine's; its socket folder is shared with the root.
    start_x_display 1280x1024x24 || exit 1
    mkdir -p "$root/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
    environment+=(DISPLAY="$DISPLAY")
fi

say "running '$*' on $release in $root as root, with no locale"
started=$SECONDS
chroot "$root" /usr/bin/env -i "${environment[@]}" /bin/bash -c 'cd /plix && exec "$@"' bash "$@" &
command_pid=$!
status=0
if [ -n "$window" ]; then
    status=1
    while kill -0 "$command_pid" 2>/dev/null && [ $((SECONDS - started)) -lt 1800 ]; do
        if xwininfo -root -tree 2>/dev/null | grep -qF "\"$window"; then
            sleep 3
            import -window root "$cache/window-$release.png"
            say "a window named $window is shown after $((SECONDS - started)) s; screenshot: $cache/window-$release.png"
            status=0
            break
        fi
        sleep 2
    done
    [ "$status" -eq 0 ] || say "no window named $window was shown" >&2
else
    wait "$command_pid" || status=$?
fi
say "'$*' ended with status $status after $((SECONDS - started)) s"
downloads=$(find "$root/var/cache/apt/archives" -name '*.deb' -printf '%s\n' | awk '{ n += $1 } END { printf "%.0f", n / 1e6 }')
say "apt downloaded $downloads MB"
exit "$status"
