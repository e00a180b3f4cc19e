#!/usr/bin/env bash
# The Debian package for real: scripts/package builds it, dpkg installs it, the installed
# program answers --help from the PATH and names documents that are really installed, the
# session start script runs the installed launcher on a stand-in cabinet under a private X
# server, and removing the package leaves none of its files behind.
#
# It changes /usr, so it runs only as root (exit code 77, skipped, otherwise) and never while
# the package is installed for real on this machine.
#
# Usage: package_test.sh <source-dir> <build-dir>
set -euo pipefail
src=$1
out=$2/package

skip() { echo "SKIP: $*"; exit 77; }
installed() { dpkg-query -W -f='${Status}' quorvane 2>/dev/null | grep -qx 'install ok installed'; }
[ "$(id -u)" -eq 0 ] || skip "not root"
command -v dpkg >/dev/null || skip "not a Debian system"
command -v dpkg-shlibdeps >/dev/null || skip "no dpkg-dev"
# Two suites on one machine must not install and remove the package under each other.
exec 9>/run/lock/quorvane-package-test.lock
flock -w 600 9 || skip "another package test holds the lock"
! installed || skip "the quorvane package is installed on this machine; not touching it"

# The launch harness, for its helpers and for the installed launcher's run below.
bin=/usr/bin/quorvane-session
source "$src/tests/e2e/launch_common.sh"

# dpkg takes its own lock; an apt run elsewhere on the machine holds it for a while.
dpkg_retry() {
    local output
    for _ in $(seq 300); do
        output=$(dpkg "$@" 2>&1) && return 0
        [[ $output == *lock* ]] || break
        sleep 1
    done
    echo "$output" >&2
    return 1
}

deb=$("$src/scripts/package" "$out" | tail -n 1)
[ -f "$deb" ] || fail "scripts/package made no package"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libsdl2* && $depends == *libsdl2-mixer* && $depends == *libc6* ]] || fail "dependencies not worked out: $depends"

# A test stopped by a signal (a time limit) still removes what it installed.
purge=
trap 'cleanup; [ -z "$purge" ] || dpkg_retry --purge quorvane >/dev/null 2>&1 || true' EXIT
trap 'exit 1' TERM INT HUP
dpkg_retry -i "$deb" >/dev/null || fail "dpkg -i failed"
purge=1
mapfile -t files < <(dpkg -L quorvane | while read -r f; do [ -f "$f" ] && echo "$f"; done)
for f in /usr/bin/quorvane /usr/bin/quorvane-session /usr/share/xsessions/quorvane.desktop \
         /usr/share/quorvane/launcher.ini.example /usr/share/doc/quorvane/settings.md \
         /usr/share/doc/quorvane/cabinet.md; do
    [[ " ${files[*]} " == *" $f "* ]] || fail "$f is not in the package"
done
help=$(cd / && env PATH=/usr/bin:/bin quorvane --help) || fail "quorvane --help failed"
for doc in /usr/share/doc/quorvane/settings.md /usr/share/quorvane/launcher.ini.example; do
    [[ $help == *"$doc"* ]] || fail "--help does not name $doc: $help"
done
grep -q '^Exec=/usr/bin/quorvane-session$' /usr/share/xsessions/quorvane.desktop ||
    fail "the session entry does not run /usr/bin/quorvane-session"

# The installed launcher, started through the session script, shows its window on a stand-in
# cabinet and quits cleanly on Escape.
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
    export XDG_CACHE_HOME=$work/cache
    start_x
    write_demo
    start_launcher
    quit_launcher
    grep -q "starting with $ini" "$XDG_CACHE_HOME/quorvane/session.log" ||
        fail "the session script wrote no log"
else
    echo "no Xvfb or xdotool: the installed launcher is not started"
fi

dpkg_retry --purge quorvane >/dev/null || fail "dpkg --purge failed"
purge=
for f in "${files[@]}"; do
    [ ! -e "$f" ] || fail "$f is left after the package was removed"
done
[ ! -e /usr/share/doc/quorvane ] || fail "/usr/share/doc/quorvane is left behind"
! installed || fail "still installed"
echo "package test passed: $(basename "$deb")"
