#!/usr/bin/env bash
# The game-information window for real: Control opens the history text of the selected game
# over the browse screen, Down and Up scroll it one line, Escape closes it, held or not, and
# the launcher runs on (a second Escape quits it cleanly). Player 2 opening and closing it leaves
# the whole screen turned to face him. What is on the screen is read back from the X server with
# OCR and compared as pictures.
#
# Usage: info_window_test.sh <quorvane-binary> <source-dir> <build-dir>
bin=$1
src=$2
source "$src/tests/e2e/launch_common.sh"

skip_without Xvfb xdotool import compare tesseract
start_x
write_demo

# The history of "alpha", 40 lines. The reader drops the line after each stored text line, so
# every text line is followed by a blank one.
{
    echo "# test history"
    echo '$info=alpha'
    echo '$mame'
    echo "Firstline of the Alpha Game history"
    echo
    echo "Secondline of the Alpha Game history"
    echo
    for i in $(seq 3 40); do
        echo "Line $i of the history"
        echo
    done
    echo '$end'
} > "$work/mameinfo.dat"
sed -i "s|^UseMameInfoDat=0|UseMameInfoDat=1\nMameinfo.dat=$work/mameinfo.dat\nFontsize=24\nInvertPlayer2Screen=1|" "$ini"


start_launcher
browse=$(screenshot browse)

shows_first() { [[ $1 == *Firstline* ]]; }
scrolled_on() { [[ $1 != *Firstline* && $1 == *history* ]]; }
closed_again() { [[ $1 != *Firstline* && $1 == *"Alpha Game"* ]]; }

press ctrl                               # GameInfo
opened=$(screenshot_changed "$browse" opened)
[ "$(differing_pixels "$browse" "$opened")" -gt 1000 ] || fail "Control showed no window"
text=$(screen_text_until opened shows_first)
shows_first "$text" || fail "the history's first line is not shown: $text"

press Down
scrolled=$(screenshot_changed "$opened" scrolled 100)
[ "$(differing_pixels "$opened" "$scrolled")" -gt 100 ] || fail "Down did not scroll the text"
text=$(screen_text_until scrolled scrolled_on)
scrolled_on "$text" || fail "after Down the screen shows: $text"

press Up
text=$(screen_text_until back shows_first)
shows_first "$text" || fail "Up did not scroll back to the first line: $text"

# Escape closes the window only, even held for half a second: the launcher goes on only once
# the key has been let go and pressed again.
xdotool keydown Escape
sleep 0.5
xdotool keyup Escape
sleep 0.6
expect_alive "after closing the information window"
text=$(screen_text_until closed closed_again)
closed_again "$text" || fail "after Escape the screen shows: $text"
[ "$(differing_pixels "$browse" "$work/closed.png")" -lt 1000 ] || fail "the browse screen did not return"

# Player 2 (Q: history, W: close) turns the screen to face him: after the window has closed,
# the whole screen is the browse screen upside down, not a turned bar over an unturned list.
press q
turned_open=$(screenshot_changed "$work/closed.png" turned_open)
press w
convert "$browse" -rotate 180 "$work/browse_turned.png"
# Text drawn upside down is anti-aliased a little differently: only clear differences count
# (the screen left unturned differs in over 10,000 pixels).
unlike_turned() {
    compare -metric AE -fuzz 40% "$work/browse_turned.png" "$1" null: 2>&1 | cut -d' ' -f1 || true
}
for _ in $(seq 25); do
    turned=$(screenshot turned)
    [ "$(unlike_turned "$turned")" -lt 500 ] && break
    sleep 0.2
done
expect_alive "after player 2 closed the information window"
[ "$(unlike_turned "$turned")" -lt 500 ] ||
    fail "after player 2's history text the screen is not the browse screen turned as a whole"

quit_launcher
echo PASS
