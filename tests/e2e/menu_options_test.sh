#!/usr/bin/env bash
# The options menu for real: ShowMenu opens it over the browse screen, the arrow keys change
# values, Escape closes it and applies them (the screen turns to the image browser and the
# catalogue is filtered again at once), and the changed values are in the settings file after
# the launcher quits. The screen is read back from the X server, with OCR for its text.
#
# Usage: menu_options_test.sh <quorvane-binary> <source-dir> <build-dir>
bin=$1
src=$2
source "$src/tests/e2e/launch_common.sh"

skip_without Xvfb xdotool import compare tesseract
start_x
write_demo

start_launcher
lists_clone() { [[ $1 == *"Beta Game (Japan)"* ]]; }
shows_menu() { [[ $1 == *"Display Clones"* && $1 == *"List View"* ]]; }
shows_new_type() { [[ $1 == *"Image Preview"* ]]; }
menu_applied() { [[ $1 != *"Japan"* && $1 != *"Display Clones"* ]]; }

text=$(screen_text_until browse lists_clone)
lists_clone "$text" || fail "the list view does not show the clone: $text"
browse=$work/browse.png

press 2                                  # ShowMenu
menu=$(screenshot_changed "$browse" menu)
[ "$(differing_pixels "$browse" "$menu")" -gt 1000 ] || fail "ShowMenu showed no menu"
text=$(screen_text_until menu shows_menu)
shows_menu "$text" || fail "the menu shows: $text"

press Right                              # "Menu Type": "List View" -> "Image Preview"
for _ in $(seq 9); do press Down; done   # "Display Clones"
press Right                              # "Yes" -> "No"
text=$(screen_text_until changed shows_new_type)
shows_new_type "$text" || fail "the menu does not show the new menu type: $text"
press Down                               # "Display NeoGeo Games"
press Left                               # "Yes" -> "No" (back steps wrap too)
press Left                               # -> "Yes" again
press Escape                             # closes the menu and applies it
sleep 0.6
expect_alive "after the options menu"

# The image browser replaced the list, and the clone is filtered out of it.
after=$(screenshot_changed "$menu" after)
[ "$(differing_pixels "$browse" "$after")" -gt 1000 ] || fail "the screen did not change"
[ "$(differing_pixels "$menu" "$after")" -gt 1000 ] || fail "the menu is still shown"
text=$(screen_text_until after menu_applied)
menu_applied "$text" || fail "after the menu the screen shows: $text"

# The clone is filtered out now: from the first game two Downs stop at "Beta Game".
press Down
press Down
press 1
wait_for_runs 1
[ "$(game_run 1 | grep '^arg=' | head -1)" = "arg=beta" ] || fail "launched: $(game_run 1)"
quit_launcher

grep -qx 'DisplayClones=0' "$ini" || fail "DisplayClones was not saved as 0: $(cat "$ini")"
grep -qx 'MenuType=ImageBrowser' "$ini" || fail "MenuType was not saved as ImageBrowser: $(cat "$ini")"
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
grep -qx 'MenuType=ImageBrowser' "$ini" || fail "an untouched menu changed MenuType"
echo "PASS"
