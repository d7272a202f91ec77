#!/usr/bin/env bash
# Checks the Debian package as a player meets it, on a new machine (run it through
# tools/fresh_machine.sh --keep, as root): apt installs it and what it brings in, with no compiler
# among them; a player's account with no ja_JP locale starts plix on an X display, then a second
# one beside it, and a screenshot is kept; apt-get purge leaves no file of the package behind.
#
#     tools/fresh_machine.sh --keep tools/check_deb.sh dist/plix_<version>-1_amd64.deb
#
# The screenshot lands in /plix/deb-check.png inside the kept root.
set -euo pipefail
deb=$(realpath "$1")
say() { echo "check_deb: $*"; }
export DEBIAN_FRONTEND=noninteractive

apt-get update -q >/dev/null
before=$(dpkg-query -W -f '${Package}\n' | sort)
started=$SECONDS
apt-get install -y -q "$deb" >/tmp/install.log
say "installed in $((SECONDS - started)) s: $(grep -E '^Need to get|^After this operation' /tmp/install.log | tr '\n' ' ')"
added=$(comm -13 <(echo "$before") <(dpkg-query -W -f '${Package}\n' | sort))
say "$(wc -l <<<"$added") packages added; compilers among them:" \
    "$(grep -E '^(gcc|g\+\+|cpp|clang|binutils|make)(-.*)?$' <<<"$added" | tr '\n' ' ' || true)"
say "locales: $(locale -a | tr '\n' ' ')"
listed=$(dpkg -L plix)

# The check's own tools, after the player's downloads were counted.
apt-get install -y -q xvfb x11-utils imagemagick >/dev/null
useradd -m player
. "$(dirname "$0")/x_display.sh"
trap stop_x_display EXIT
start_x_display 1024x768x24
plix_windows() { xwininfo -root -tree | grep -c '"REVERSI": ("plix.exe"' || true; }
# A login shell, as a desktop session gives: /usr/games on PATH.
start_plix() { su - player -c "DISPLAY=$DISPLAY setsid plix >>plix.log 2>&1 &"; }

started=$SECONDS
start_plix
sleep 1
start_plix # while the first is still making the prefix
while [ "$(plix_windows)" -lt 1 ] && [ $((SECONDS - started)) -lt 120 ]; do sleep 0.5; done
say "the first window after $((SECONDS - started)) s"
while [ "$(plix_windows)" -lt 2 ] && [ $((SECONDS - started)) -lt 120 ]; do sleep 0.5; done
say "plix windows open: $(plix_windows)"
sleep 3
import -window root /plix/deb-check.png
say "what the launcher said: $(tr '\n' ' ' </home/player/plix.log)"
pkill -u player || true
sleep 2

apt-get purge -y -q plix >/dev/null
# Left behind: a file of the package, or a folder it made that is empty and no other package's.
left=0
while IFS= read -r path; do
    if [ -f "$path" ] || { [ -d "$path" ] && [ -z "$(ls -A "$path")" ] && ! dpkg -S "$path" >/dev/null 2>&1; }; then
        say "left after purge: $path"
        left=$((left + 1))
    fi
done <<<"$listed"
remaining=$(find / -xdev \( -path /proc -o -path /home \) -prune -o \( -name 'plix*' -o -name '*.plix.*' \) -print 2>/dev/null |
    grep -v -e '^/plix' -e '^/var/lib/dpkg' || true)
say "$(wc -l <<<"$listed") paths listed by dpkg -L before the purge; after it, files of the package" \
    "left: $left; paths named *plix* outside /plix and the player's home: ${remaining:-none}"
[ "$left" -eq 0 ] && [ -z "$remaining" ]
