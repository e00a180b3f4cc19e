#!/usr/bin/env bash
# Launching games for real: the keys move the selection and start the emulator (the stand-in),
# with the game's own options or its parent's, from the emulator's folder; the launcher takes
# its window and keyboard back afterwards, survives an emulator that fails, and quits on Escape.
#
# Usage: launch_game_test.sh <quorvane-binary> <source-dir> <build-dir>
bin=$1
src=$2
source "$src/tests/e2e/launch_common.sh"

skip_without Xvfb xdotool
start_x
write_demo
emu_dir=$(cd "$work/emu" && pwd -P)

# 1. Own options, then the parent's options for a clone; the keyboard works after each game.
start_launcher
press Down          # Beta Game
press 1             # StartGame
wait_for_runs 1
expected="cwd=$emu_dir
arg=beta
arg=-skip_gameinfo
arg=-window
"
[ "$(game_run 1)" = "${expected%$'\n'}" ] || fail "first launch ran: $(game_run 1)"
expect_alive "after the first game"
press Down          # Beta Game (Japan): no options of its own
press 1
wait_for_runs 2
expected="cwd=$emu_dir
arg=betaj
arg=-skip_gameinfo
arg=-window
"
[ "$(game_run 2)" = "${expected%$'\n'}" ] || fail "second launch ran: $(game_run 2)"
press Up
press Up
press Up            # refused at the top: the launcher just plays on
press 1
wait_for_runs 3
[ "$(game_run 3)" = "cwd=$emu_dir
arg=alpha" ] || fail "third launch ran: $(game_run 3)"
press Down          # Beta Game is selected when the launcher quits
quit_launcher
grep -qx "SelectedGame=beta" "$ini" || fail "the saved selection is not beta: $(grep SelectedGame "$ini")"

# 2. An emulator that exits with an error code, then one killed by a signal: the launcher shows
# its error for three seconds and runs on.
: > "$log"
emulator_ends STAND_IN_MAME_EXIT=3
start_launcher
press 1
wait_for_runs 1
sleep 5
expect_alive "after an emulator that exited with code 3"
emulator_ends STAND_IN_MAME_SIGNAL=SEGV
press 1
wait_for_runs 2
sleep 5
expect_alive "after an emulator killed by SIGSEGV"
emulator_ends ""
press 1
wait_for_runs 3
quit_launcher

# 3. The emulator is gone (the cache still holds the list): a clear message, and the launcher
# runs on.
: > "$log"
sed -i "s|^Mame.exe=.*|Mame.exe=$work/emu/missing|" "$ini"
start_launcher
press 1
err=$work/launcher$launch_count.err
for _ in $(seq 100); do
    grep -q "Failed to execute \[$work/emu/missing beta -skip_gameinfo -window\]!" "$err" && break
    sleep 0.1
done
grep -q "Failed to execute \[$work/emu/missing beta -skip_gameinfo -window\]!" "$err" ||
    fail "no message about the missing emulator"
sleep 1
expect_alive "after a launch of a missing emulator"
grep -q "does not exist" "$err" || fail "the message gives no reason"
[ "$(game_runs)" -eq 0 ] || fail "something ran"
quit_launcher

echo "PASS"
