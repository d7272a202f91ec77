#!/usr/bin/env bash
# Installs, only when missing, the Debian/Ubuntu packages and locales that a command needs, and
# checks afterwards that every one of them is there. Safe to run again and again.
#
#     scripts/setup.sh        everything: every build, every test, the archives
#     scripts/setup.sh game   building and playing the game (scripts/run.sh, scripts/install.sh)
#
# A mirror in the middle of a sync is an ordinary event: an index that still fails after a few
# tries is reported and left out, and an install that cannot be resolved (the two halves of a
# multi-arch library found in different suites) is tried once more from the release's own suite.
set -euo pipefail

# 64-bit only: the cross compiler, Wine, a Japanese font and locale, xdpyinfo for the display check,
# and dpkg-dev for the Debian package that scripts/install.sh installs.
game_packages=(
    cmake make python3 dpkg-dev
    g++-mingw-w64-x86-64-posix
    wine wine64
    fonts-ipafont-gothic locales
    x11-utils
)
# The 32-bit Wine (for the win32 build's tests) comes from Debian's i386 architecture, enabled
# only where this machine can run i386 programs; elsewhere the win32 stage skips those tests.
all_packages=(
    "${game_packages[@]}"
    g++ pkg-config git
    mingw-w64
    googletest libbenchmark-dev
    clang libclang-rt-dev
    valgrind
    xvfb xauth xdotool imagemagick
    python3-xlib python3-pil python3-pytest python3-pytest-timeout
    desktop-file-utils
    lintian appstream
    # the browser edition: Debian's emscripten builds it; its tests drive Chromium, and Firefox
    emscripten chromium chromium-driver python3-selenium firefox-esr
)

say() {
    echo "setup: $*"
}

case ${1:-all} in
game)
    packages=("${game_packages[@]}")
    # Under ja_JP.UTF-8 Wine's ANSI code page is 932, which the program's texts are written in.
    locales=(ja_JP.UTF-8)
    ;;
all)
    packages=("${all_packages[@]}")
    if i386=$("$(dirname "$0")/../tests/wine/wine.sh" runs-i386); then
        packages+=(wine32:i386)
        say "$i386: installing the 32-bit Wine too"
    else
        say "$i386: no 32-bit Wine; the win32 stage skips the tests that need it"
    fi
    # The tests also run the game where Windows' code page is not Japanese's.
    locales=(ja_JP.UTF-8 en_US.UTF-8)
    ;;
*)
    sed -n '5,6s/^# \{0,1\}//p' "$0" >&2
    exit 2
    ;;
esac

update_tries=3
update_pause=10

. "$(dirname "$0")/as_root.sh"

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# apt's first error line, which names the problem ("E: Unable to locate package x", "E: Unable
# to correct problems, you have held broken packages.").
key_line() {
    grep -m 1 '^E: ' "$1" || tail -n 1 "$1"
}

# Retries while any index fails; what still fails after the last try is named, one line an
# index, and left out: apt then uses the lists it had, or none for that index. Written here
# because apt's own retries (Acquire::Retries) do not cover a mirror in mid-sync, whose indexes
# are out of step with its Release file until the sync ends; a later try finds them whole.
update_indexes() {
    local try failures
    for ((try = 1; try <= update_tries; try++)); do
        local status=0
        as_root apt-get update >"$log" 2>&1 || status=$?
        failures=$(grep -E '^(E|W): Failed to fetch |^E: ' "$log" |
            grep -v 'Some index files failed to download' || true)
        if [ "$status" -eq 0 ] && [ -z "$failures" ]; then
            return 0
        fi
        if [ "$try" -lt "$update_tries" ]; then
            say "apt-get update failed; trying again in $update_pause s"
            sleep "$update_pause"
        fi
    done
    local line
    while IFS= read -r line; do
        if [[ $line =~ ^[EW]:\ Failed\ to\ fetch\ ([^ ]+)\ +(.*)$ ]]; then
            say "index left out after $update_tries tries: ${BASH_REMATCH[1]}:" \
                "${BASH_REMATCH[2]% \[IP:*}"
            indexes_left_out=$((indexes_left_out + 1))
        elif [ -n "$line" ]; then
            say "apt-get update after $update_tries tries: ${line#E: }"
        fi
    done <<<"${failures:-$(tail -n 1 "$log")}"
}

apt_install() {
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@" >"$log" 2>&1
}

# With one suite's index out of date, a library's amd64 candidate can come from the security
# suite and its i386 one from the base suite; the two halves of a "Multi-Arch: same" library must
# have one version. Pinning the release's own suite takes both from there.
install_packages() {
    if apt_install "$@"; then
        return 0
    fi
    local codename
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-${UBUNTU_CODENAME:-}}")
    if [ -n "$codename" ]; then
        say "apt-get could not resolve the install ($(key_line "$log")); trying once more with" \
            "every package from the suite $codename"
        if apt_install -o APT::Default-Release="$codename" "$@"; then
            return 0
        fi
    fi
    say "could not install: $*" >&2
    say "apt-get: $(key_line "$log") (the whole output: $log)" >&2
    if [ "$indexes_left_out" -gt 0 ]; then
        say "$indexes_left_out package index(es) were left out above: once the mirror has" \
            "finished its sync, run this again" >&2
    fi
    keep_log=1
    exit 1
}

missing_packages() {
    local package
    for package in "${packages[@]}"; do
        installed "$package" || echo "$package"
    done
}

log=$(mktemp "${TMPDIR:-/tmp}/plix-setup.XXXXXX")
keep_log=0
indexes_left_out=0
trap '[ "$keep_log" = 1 ] || rm -f "$log"' EXIT

mapfile -t missing < <(missing_packages)
if [ ${#missing[@]} -gt 0 ]; then
    if [[ " ${missing[*]} " == *:i386\ * ]] && [ "$(dpkg --print-architecture)" = amd64 ] &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        say "enabling the i386 architecture for 32-bit Wine"
        as_root dpkg --add-architecture i386
    fi
    say "installing ${missing[*]}"
    update_indexes
    install_packages "${missing[@]}"
    # apt-get can succeed without installing everything asked for (a package held, say).
    mapfile -t missing < <(missing_packages)
    if [ ${#missing[@]} -gt 0 ]; then
        say "apt-get finished, but these are still not installed: ${missing[*]}" >&2
        exit 1
    fi
fi

for name in "${locales[@]}"; do
    # locale -a spells them ja_JP.utf8.
    if locale -a 2>/dev/null | grep -qix "${name%%.*}\.utf-\?8"; then
        continue
    fi
    say "generating the $name locale"
    if [ -f /etc/locale.gen ]; then
        as_root sed -i "s/^# *\($name UTF-8\)/\1/" /etc/locale.gen
        grep -q "^$name UTF-8" /etc/locale.gen ||
            echo "$name UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
        as_root locale-gen >/dev/null
    else
        as_root locale-gen "$name" >/dev/null
    fi
done
