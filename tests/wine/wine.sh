#!/bin/bash
# Every Wine run of the tests goes through here, so that a program never meets a wineserver
# that is shutting down: a wineserver ends a few seconds after its last client, and a client that
# connects in that moment dies with "wine client error ... recvmsg". Servers started here are
# persistent and end only when told to.
#
#   wine.sh prepare          make the prefix, or bring one made by an older set-up up to date
#                            (the other commands write the settings, and Wine makes the prefix)
#   wine.sh start            prepare, then start the prefix's persistent wineserver
#   wine.sh stop             end that wineserver and every Wine program of the prefix
#   wine.sh exec PROG ARGS   run PROG under the server that "start" left (ctest's emulator)
#   wine.sh run PROG ARGS    start if needed, run PROG, and stop when the last run ends
#   wine.sh check            exit 0 when this prefix's programs can run on this machine
#   wine.sh runs-i386        exit 0 when this machine runs 32-bit x86 programs; says what it found
#
# PLIX_WINEPREFIX names the prefix (default ./wineprefix), PLIX_WINEARCH its kind (win64 or
# win32, default win64). A win32 prefix on a machine that cannot run 32-bit x86 code makes every
# command but runs-i386 exit with status 77, which the tests report as skipped; PLIX_NO_I386=1
# makes any machine count as one of those. Texts are Japanese, so programs run under ja_JP.UTF-8
# (code page 932) where it is generated; PLIX_WINE_LOCALE names another locale, under which a test
# plays a system set to another language.
set -euo pipefail

# Raise this when prepare changes: prefixes stamped with an older number are set up again.
readonly setup_version=3

prefix=${PLIX_WINEPREFIX:-$PWD/wineprefix}
# Absolute, since Wine runs programs from other folders. A timed run pays for every process
# started here, so this script starts as few as it can (bash itself not through env, either).
case $prefix in
/*) ;;
*) prefix=$(realpath -m "$prefix") ;;
esac
export WINEPREFIX=$prefix
export WINEARCH=${PLIX_WINEARCH:-win64}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
locale=${PLIX_WINE_LOCALE:-ja_JP.UTF-8}
# A machine need not have generated that locale: then C.UTF-8, which every Debian has,
# rather than the plain C that an unknown locale falls back to. plix.exe keeps its code page 932
# from its manifest either way. Bash itself is asked, without a process: a locale it cannot set
# leaves it in C, where one Japanese character is not one character.
{
    LC_ALL=C
    LC_ALL=$locale
} 2>/dev/null
printf -v probe '\u3042'
[ "${#probe}" -eq 1 ] || locale=C.UTF-8
export LANG=$locale LC_ALL=$locale

# Debian's "wine" command starts the 32-bit loader whenever 32-bit Wine is installed, for a 64-bit
# prefix too, and so fails everywhere on a machine that cannot run i386 code. Each kind of prefix
# is run by its own loader instead: Debian's, where it keeps them, else the one on PATH.
choose_loader() {
    local name=wine64 package=wine64
    if [ "$WINEARCH" = win32 ]; then
        name=wine package="wine32:i386 (the i386 architecture enabled)"
    fi
    server=wineserver
    if [ -e /usr/lib/wine/wine ] || [ -e /usr/lib/wine/wine64 ]; then
        loader=/usr/lib/wine/$name
        [ -x "$loader" ] || die "Wine's loader for $WINEARCH prefixes, $loader, is missing: install $package"
        # The server itself rather than Debian's script that picks it, as that script would.
        if [ -x /usr/lib/wine/wineserver64 ]; then
            server=/usr/lib/wine/wineserver64
        elif [ -x /usr/lib/wine/wineserver32 ]; then
            server=/usr/lib/wine/wineserver32
        fi
    else
        loader=$(command -v "$name" || command -v wine) || die "Wine is not installed"
    fi
    export WINELOADER=$loader
}

# Set-up, start and stop take this lock exclusively; every "run" holds the users' lock shared
# while its program runs, so the last one out knows it is the last.
transition_lock=$prefix.lock
users_lock=$prefix.users

die() {
    echo "wine.sh: $*" >&2
    exit 1
}

readonly skip_status=77
prepared=0

# Asks the machine rather than guessing from the kernel: some kernels, sandboxes and emulators
# refuse every i386 program. The probe is the smallest static i386 program, exit(42); it needs no
# 32-bit library, so it answers before any is installed.
runs_i386() {
    if [ "${PLIX_NO_I386:-0}" = 1 ]; then
        i386_found="this machine is taken as one that cannot run 32-bit x86 programs (PLIX_NO_I386=1)"
        return 1
    fi
    local dir status=0 why
    dir=$(mktemp -d "${TMPDIR:-/tmp}/plix-i386.XXXXXX")
    printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08\x34\0\0\0' >"$dir/probe"
    printf '\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0\x01\0\0\0\0\0\0\0\0\x80\x04\x08' >>"$dir/probe"
    printf '\0\x80\x04\x08\x5d\0\0\0\x5d\0\0\0\x05\0\0\0\0\x10\0\0\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80' >>"$dir/probe"
    chmod +x "$dir/probe"
    "$dir/probe" 2>"$dir/error" || status=$?
    if [ "$status" -eq 42 ]; then
        i386_found="this machine runs 32-bit x86 programs"
    else
        why=$(sed -n '$s/.*: //p' "$dir/error" || true)
        i386_found="this machine cannot run 32-bit x86 programs (${why:-a probe ended with status $status})"
    fi
    rm -rf "$dir"
    [ "$status" -eq 42 ]
}

# The prefix's settings (Marlett, the Japanese UI faces) are the player's launcher's, written the
# same way into every prefix of the tests.
# shellcheck source=packaging/deb/plix
. "${BASH_SOURCE[0]%/*}/../../packaging/deb/plix"

prepare_locked() {
    local stamp=''
    read -r stamp 2>/dev/null <"$prefix/.plix-setup" || true
    if [ "$stamp" = "$setup_version" ]; then
        return 0
    fi
    local marlett
    marlett=$(find_marlett "$loader") || die "Wine's marlett.ttf was not found; is Wine installed?"
    if command -v fc-list >/dev/null && [ -z "$(fc-list "$japanese_font" family)" ]; then
        echo "wine.sh: the font $japanese_font is not installed: Japanese text will show as boxes" >&2
    fi
    mkdir -p "$prefix"
    # A server left from an older set-up would keep the old registry in memory, and write it out
    # over the settings when it ends.
    stop_locked
    write_settings "$prefix" "$WINEARCH" "$marlett"
    echo "$setup_version" >"$prefix/.plix-setup"
    prepared=1
}

# Status 2: a server for this prefix runs already, persistent since only this script starts one.
# The server outlives this script, so it must not hold the locks' descriptors.
server_up() {
    server_status=0
    "$server" -p </dev/null >/dev/null 2>&1 8>&- 9>&- || server_status=$?
    [ "$server_status" -eq 0 ] || [ "$server_status" -eq 2 ] ||
        die "wineserver -p failed with status $server_status"
}

# Wine's own background programs (services, the desktop) start with the first program of a
# server, which also makes the prefix or brings it up to date, and live as long as the server:
# started by a test, they would hold its output pipe open, and ctest would wait for them. Here
# they start on nothing. A run's first program starts them, as under plain Wine.
boot() {
    "$loader" wineboot </dev/null >/dev/null 2>&1 8>&- 9>&- || die "wineboot failed in $prefix"
    # The registry reaches the disk only when the server ends: look for what the making writes.
    [ -d "$prefix/drive_c/windows/system32" ] || die "wineboot did not make the prefix $prefix"
}

# Wine writes this file when it has made the prefix. It makes a new one under the server that its
# first program starts, as plain Wine does: under a server started before, Wine's making starts
# programs in a system32 folder not there yet, and some of them fail.
made() {
    [ -e "$prefix/.update-timestamp" ]
}

start_locked() {
    prepare_locked
    if ! made; then
        boot
        stop_locked
    fi
    server_up
    [ "$server_status" -ne 0 ] || boot
}

# A prepare of its own makes the prefix, and leaves no server behind.
prepare_command() {
    prepare_locked
    if [ "$prepared" = 1 ]; then
        boot
        stop_locked
    fi
}

stop_locked() {
    "$server" -k 2>/dev/null || true
    "$server" -w 2>/dev/null || true
}

with_lock() {
    [ -d "${prefix%/*}/" ] || mkdir -p "${prefix%/*}/"
    exec 8>"$transition_lock"
    flock 8
    "$@"
    # Closing the lock's only descriptor releases it.
    exec 8>&-
}

prepare_and_join() {
    prepare_locked
    # The first run of a new prefix leaves the server to Wine, which makes the prefix; the other
    # runs join that server as they join a persistent one, and the last one out still ends it.
    if made; then
        server_up
    fi
    exec 9>"$users_lock"
    flock -s 9
}

# Whoever takes the users' lock exclusively while holding the transition lock is the last user,
# and ends the server; also when the run is interrupted.
finish_run() {
    exec 8>"$transition_lock"
    flock 8
    flock -u 9
    if flock -n -x 9; then
        stop_locked
    fi
    flock -u 9
    flock -u 8
}

run_program() {
    # The users' lock is taken before the transition lock is let go: else the last run of the
    # others could end the server between the two.
    with_lock prepare_and_join
    trap finish_run EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    local status=0
    # Not through a shell function: a function's redirections close the shell's own descriptors
    # while it runs, and a signal then would leave finish_run without the users' lock.
    "$loader" "$@" 8>&- 9>&- || status=$?
    return "$status"
}

command=${1:-}
[ $# -gt 0 ] && shift
if [ "$command" = runs-i386 ]; then
    status=0
    runs_i386 || status=1
    echo "$i386_found"
    exit "$status"
fi
if [ "$WINEARCH" = win32 ] && ! runs_i386; then
    echo "wine.sh: skipped: $i386_found" >&2
    exit "$skip_status"
fi
choose_loader
case $command in
check) ;;
prepare) with_lock prepare_command ;;
start) with_lock start_locked ;;
stop) with_lock stop_locked ;;
exec)
    [ $# -gt 0 ] || die "exec needs a program"
    exec "$loader" "$@"
    ;;
run)
    [ $# -gt 0 ] || die "run needs a program"
    run_program "$@"
    ;;
*) die "usage: wine.sh check|prepare|start|stop|exec PROGRAM [ARGS]|run PROGRAM [ARGS]|runs-i386" ;;
esac
