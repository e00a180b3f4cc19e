#!/usr/bin/env bash
# The joystick listing mode: "--listjoysticks" anywhere on the command line prints the caption,
# the first usable controller (none on a machine without joysticks) and the prompt, then ends
# after one character of input, or at once when standard input is empty, with exit code 0. It
# needs no settings file and no display.
#
# Usage: launch_listing_test.sh <quorvane-binary> <source-dir> <build-dir>
set -euo pipefail
bin=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-listing.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

expected=$'Quorvane v3.0\n\n\nPress enter to close console:'
export SDL_VIDEODRIVER=dummy
export SDL_AUDIODRIVER=dummy
unset DISPLAY

check() {
    local what=$1 out=$2 rc=$3
    [ "$rc" -eq 0 ] || { echo "FAIL: $what: exit code $rc" >&2; exit 1; }
    if [ "$out" != "$expected" ]; then
        echo "FAIL: $what printed:" >&2
        printf '%s\n' "$out" >&2
        exit 1
    fi
}

rc=0; out=$(timeout 20 "$bin" --listjoysticks </dev/null) || rc=$?
check "no input" "$out" "$rc"

rc=0; out=$(printf '\n' | timeout 20 "$bin" --listjoysticks) || rc=$?
check "Enter pressed" "$out" "$rc"

rc=0; out=$(timeout 20 "$bin" some.ini --listjoysticks extra </dev/null) || rc=$?
check "switch among other words" "$out" "$rc"

# The mode waits for Enter when there is a console: with input that never comes it must still be
# waiting after a second.
mkfifo "$work/in"
"$bin" --listjoysticks <"$work/in" >"$work/out" &
pid=$!
exec 3>"$work/in"
sleep 1
kill -0 "$pid" 2>/dev/null || { echo "FAIL: did not wait for Enter" >&2; exit 1; }
printf '\n' >&3
exec 3>&-
rc=0; wait "$pid" || rc=$?
check "Enter after a wait" "$(cat "$work/out")" "$rc"

if [ -e "$work/launcher.ini" ]; then
    echo "FAIL: the listing mode wrote a settings file" >&2
    exit 1
fi
echo "PASS"
