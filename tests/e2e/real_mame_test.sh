#!/usr/bin/env bash
# The real emulator: the launcher builds its list from Debian's mame, and "pong" (a machine that
# needs no ROM files) launched from the list with its own options runs and returns to the
# launcher, which then quits normally.
#
# Usage: real_mame_test.sh <quorvane-binary> <source-dir> <build-dir>
bin=$1
src=$2
source "$src/tests/e2e/launch_common.sh"

mame=/usr/games/mame
[ -x "$mame" ] || { echo "SKIP: no $mame"; exit 0; }
skip_without Xvfb xdotool
start_x
mkdir -p "$work/roms" "$work/snap" "$work/flyers" "$work/home"
: > "$work/roms/pong.zip"

# The emulator writes its configuration into its working folder (the emulator's own folder) and
# home folder; keep both out of the system by running a copy-free wrapper from a private folder.
mkdir -p "$work/emu"
cat > "$work/emu/mame" <<SH
#!/bin/sh
echo "\$@" >> "$work/mame-args.log"
cd "$work/home" || exit 1
HOME="$work/home" $mame "\$@"
rc=\$?
echo "exit=\$rc" >> "$work/mame-args.log"
exit \$rc
SH
chmod +x "$work/emu/mame"

cat > "$ini" <<INI
[Settings]
Mame.exe=$work/emu/mame
Roms.dir=$work/roms
Snapshot.dir=$work/snap
Flyer.dir=$work/flyers
GameCache=$work/gamecache.xml
UseMameInfoDat=0
MusicPlayAtStartup=0
Fontface=Liberation Sans
StatusBarFontFace=Liberation Sans

[System]
SelectedGame=pong

[Mameoptions]
pong=-video none -sound none -str 2 -nothrottle
INI

# Building the full list from the emulator takes a while on a loaded machine.
launch_count=1
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy QUORVANE_NO_MESSAGE_BOX=1
"$bin" "$ini" >"$work/launcher1.out" 2>"$work/launcher1.err" &
launcher_pid=$!
for _ in $(seq 1800); do
    kill -0 "$launcher_pid" 2>/dev/null || fail "the launcher ended during start-up"
    grep -q "games kept" "$work/launcher1.out" 2>/dev/null && break
    sleep 0.1
done
for _ in $(seq 600); do
    [ -s "$work/gamecache.xml" ] && xdotool search --onlyvisible --name Quorvane >/dev/null 2>&1 &&
        break
    sleep 0.1
done
sleep 2
grep -q 'name="pong"' "$work/gamecache.xml" || fail "pong is not in the cache"

press 1
for _ in $(seq 300); do
    grep -q "^pong -video none" "$work/mame-args.log" 2>/dev/null && break
    sleep 0.1
done
grep -qx "pong -video none -sound none -str 2 -nothrottle" "$work/mame-args.log" ||
    fail "the emulator was not run with pong's options: $(cat "$work/mame-args.log" 2>/dev/null)"
# -str 2 ends the emulation after two seconds; then the launcher has its screen back.
pong_ended() { grep -A1 "^pong -video" "$work/mame-args.log" | grep -q "^exit="; }
for _ in $(seq 600); do
    pong_ended && break
    sleep 0.1
done
sleep 2
expect_alive "after pong"
[ "$(grep -A1 "^pong -video" "$work/mame-args.log" | tail -n 1)" = "exit=0" ] || fail "pong did not end cleanly: $(cat "$work/mame-args.log")"
quit_launcher
grep -qx "SelectedGame=pong" "$ini" || fail "the selection was not saved"
echo PASS
