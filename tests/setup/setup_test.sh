#!/usr/bin/env bash
# scripts/setup.sh's decisions against a stubbed apt: a mirror in mid-sync, an install that only
# resolves from one suite, one that never does, a machine that needs nothing, and one that cannot
# run 32-bit x86 programs.
# Usage: setup_test.sh SETUP_SH
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stubs=$work/bin
mkdir -p "$stubs" "$work/tree/scripts" "$work/tree/tests/wine"
failures=0

# The set-up asks tests/wine/wine.sh whether i386 programs run; here $STATE/i386 answers.
cp "$1" "$(dirname "$1")/as_root.sh" "$work/tree/scripts/"
setup=$work/tree/scripts/setup.sh
printf '#!/usr/bin/env bash\n[ "$(cat "$STATE/i386")" = yes ] && echo "it runs them" && exit 0\necho "it cannot"; exit 1\n' \
    >"$work/tree/tests/wine/wine.sh"
chmod +x "$work/tree/tests/wine/wine.sh"

# Each stub logs its call to $work/calls; apt-get's behaviour comes from the counters below.
stub() {
    printf '#!/usr/bin/env bash\necho "%s $*" >>"$STATE/calls"\n%s\n' "$1" "$2" >"$stubs/$1"
    chmod +x "$stubs/$1"
}
stub id 'echo 0'
stub sleep ':'
stub locale 'cat "$STATE/locales"'
stub dpkg 'case $1 in
--print-architecture) echo amd64 ;;
--print-foreign-architectures) cat "$STATE/foreign" ;;
--add-architecture) echo "$2" >>"$STATE/foreign" ;;
esac'
stub dpkg-query 'grep -qx "${@: -1}" "$STATE/installed" && printf "install ok installed"'
# Fails the first $update_fails updates (every one when "always") and the first $install_fails
# installs, as a mirror in mid-sync makes it; a good install marks its packages installed, but
# for those listed in $STATE/held.
stub apt-get 'count() { local n; n=$(($(cat "$STATE/$1" 2>/dev/null || echo 0) + 1)); echo $n >"$STATE/$1"; echo $n; }
if [ "$1" = update ]; then
    n=$(count updates)
    if [ "$(cat "$STATE/update_fails")" = always ] || [ "$n" -le "$(cat "$STATE/update_fails")" ]; then
        echo "E: Failed to fetch http://mirror/debian-security/dists/s/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]"
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
        exit 100
    fi
    exit 0
fi
n=$(count installs)
if [ "$n" -le "$(cat "$STATE/install_fails")" ]; then
    echo " libfoo:i386 : Depends: libbar:i386 (= 1) but 2 is to be installed"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
fi
for p in "$@"; do
    case $p in -*|*=*) ;; *) grep -qx "$p" "$STATE/held" || echo "$p" >>"$STATE/installed" ;; esac
done'

# scenario NAME UPDATE_FAILS INSTALL_FAILS [HELD...]: a fresh stubbed machine, then setup.sh.
scenario() {
    name=$1
    export STATE=$work/$name
    mkdir -p "$STATE"
    echo "$2" >"$STATE/update_fails"
    echo "$3" >"$STATE/install_fails"
    shift 3
    printf '%s\n' "$@" >"$STATE/held"
    printf 'C\nC.utf8\nja_JP.utf8\nen_US.utf8\n' >"$STATE/locales"
    : >"$STATE/installed"
    : >"$STATE/foreign"
    echo "${i386:-yes}" >"$STATE/i386"
    run
}
run() {
    : >"$STATE/calls"
    out=$(PATH=$stubs:$PATH bash "$setup" ${profile:-} 2>&1)
    status=$?
}
check() {
    if ! eval "$1"; then
        echo "FAIL [$name]: $2"
        echo "$out" | sed 's/^/    /'
        failures=$((failures + 1))
    fi
}
calls() { grep -c "^apt-get $1" "$STATE/calls"; }
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-${UBUNTU_CODENAME:-}}")

scenario sync-once 1 0
check '[ $status -eq 0 ]' "exits 0 once the second update works"
check '[ "$(calls update)" -eq 2 ] && [ "$(calls install)" -eq 1 ]' "updates twice, installs once"
check 'grep -qx i386 "$STATE/foreign" && grep -qx "wine32:i386" "$STATE/installed"' \
    "enables i386 and installs the 32-bit Wine"
run
check '[ $status -eq 0 ] && [ "$(calls "")" -eq 0 ]' "a second run, with everything there, makes no apt call"

scenario index-always-fails always 0
check '[ $status -eq 0 ] && [ "$(calls update)" -eq 3 ] && [ "$(calls install)" -eq 1 ]' \
    "three updates, then the install goes on"
check '[ "$(grep -c "index left out" <<<"$out")" -eq 1 ]' "one line for the failing index"
check 'grep -q "binary-i386/Packages.xz: File has unexpected size (374820 != 376004). Mirror sync in progress?$" <<<"$out"' \
    "the line names the index and apt's reason"

scenario one-suite 0 1
check '[ $status -eq 0 ] && [ "$(calls install)" -eq 2 ]' "the second install works"
check 'grep -q "^apt-get install .*-o APT::Default-Release=$codename " "$STATE/calls"' \
    "the second install pins the release's suite"
check 'grep -q "trying once more.*$codename" <<<"$out"' "says so in one line"

scenario never-resolves always 2
check '[ $status -ne 0 ] && [ "$(calls install)" -eq 2 ]' "fails after two installs"
check 'grep -q "could not install: .*wine32:i386" <<<"$out"' "names the packages"
check 'grep -q "held broken packages" <<<"$out"' "gives apt's key line"
check 'grep -q "1 package index(es) were left out.*run this again" <<<"$out"' \
    "blames the left-out index and says to try again"

scenario held 0 0 valgrind
check '[ $status -ne 0 ] && grep -q "still not installed: valgrind$" <<<"$out"' \
    "a package apt-get left out fails the setup"

profile=game scenario game 0 0
check '[ $status -eq 0 ] && [ ! -s "$STATE/foreign" ] && grep -qx wine64 "$STATE/installed" &&
    ! grep -q ":i386\|^mingw-w64$\|googletest" "$STATE/installed"' \
    "the game's set-up installs no test tools and leaves i386 alone"

i386=no scenario no-i386 0 0
check '[ $status -eq 0 ] && [ ! -s "$STATE/foreign" ] && grep -qx wine64 "$STATE/installed" &&
    ! grep -q ":i386" "$STATE/installed" && [ "$(grep -c "it cannot" <<<"$out")" -eq 1 ]' \
    "without i386 programs: no i386 architecture, no 32-bit Wine, and one line that says why"

[ $failures -eq 0 ] && echo "setup decisions: all passed"
exit $((failures > 0))
