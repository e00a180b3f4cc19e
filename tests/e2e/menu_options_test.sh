#!/usr/bin/env bash
# The options menu for real: ShowMenu opens it over the browse screen, the arrow keys change
# values, Escape closes it and applies them (the catalogue is filtered again at once), and the
# changed values are in the settings file after the launcher quits.
#
# Usage: menu_options_test.sh <quorvane-binary> <source-dir> <build-dir>
bin=$1
src=$2
source "$src/tests/e2e/launch_common.sh"

command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "SKIP: no Xvfb/xdotool"; exit 0; }
start_x
write_demo

start_launcher
press 2                                  # ShowMenu
for _ in $(seq 9); do press Down; done   # "Display Clones"
press Right                              # "Yes" -> "No"
press Down                               # "Display NeoGeo Games"
press Left                               # "Yes" -> "No" (back steps wrap too)
press Left                               # -> "Yes" again
press Escape                             # closes the menu and applies it
sleep 0.6
expect_alive "after the options menu"

# The clone is filtered out now: from the first game two Downs stop at "Beta Game".
press Down
press Down
press 1
wait_for_runs 1
[ "$(game_run 1 | grep '^arg=' | head -1)" = "arg=beta" ] || fail "launched: $(game_run 1)"
quit_launcher

grep -qx 'DisplayClones=0' "$ini" || fail "DisplayClones was not saved as 0: $(cat "$ini")"
grep -qx 'DisplayNeoGeo=1' "$ini" || fail "DisplayNeoGeo was not saved as 1: $(cat "$ini")"

# 2. Every key repeated past both ends of the menu wraps round without harm, and a menu left
# untouched changes nothing that matters.
start_launcher
press 2
for _ in $(seq 30); do press Up; done
press Escape
sleep 0.6
expect_alive "after wrapping round the menu"
quit_launcher
grep -qx 'DisplayClones=0' "$ini" || fail "an untouched menu changed DisplayClones"
echo "PASS"
