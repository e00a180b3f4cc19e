#!/usr/bin/env bash
# Start-up and shutdown of the real program: without a display it ends at once with exit code 1
# and a message, the window covers the screen, a second launcher
# ends at once with exit code 1 and no window, Escape ends the first with exit code 0, and the
# settings file then holds the saved keys with every foreign line kept as it was. Without a
# usable settings file start-up fails cleanly and writes nothing. A launcher whose display goes
# away quits in order and saves its settings.
#
# Usage: startup_test.sh <quorvane-binary> <source-dir> <build-dir>
bin=$1
src=$2
source "$src/tests/e2e/launch_common.sh"

skip_without Xvfb xdotool
start_x
write_demo

# Foreign lines the launcher must keep byte for byte: comments, blank lines, unknown keys and
# the sections it never writes.
cat >> "$ini" <<'INI'
; a comment the owner wrote
UnknownKey = kept as written

[Keymappings]
Exit=27
StartGame = 49

[Sounds]
Startup=

[Custom]
anything=goes
INI
grep -v -E '^(MusicPlayAtStartup|SelectedGame)=' "$ini" > "$work/foreign.txt"

# No display at all (no X, no Wayland, no SDL_VIDEODRIVER, as over ssh): no launcher that
# nobody can see. Exit code 1 with the window message; the lock is not left held, so the
# launcher started next runs.
rc=0
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
    QUORVANE_NO_MESSAGE_BOX=1 timeout 30 "$bin" "$ini" >"$work/nodisplay.out" \
    2>"$work/nodisplay.err" || rc=$?
[ "$rc" -eq 1 ] || fail "without a display the launcher ended with $rc, not 1"
grep -q "Failed to create window!" "$work/nodisplay.err" ||
    fail "without a display no window message: $(cat "$work/nodisplay.err")"

start_launcher
geometry=$(xdotool search --onlyvisible --name Quorvane getwindowgeometry 2>/dev/null)
[[ $geometry == *"Geometry: 1024x768"* ]] || fail "the window does not cover the screen: $geometry"

# A second launcher: exit code 1, at once, and no second window.
rc=0
timeout 10 "$bin" "$ini" >"$work/second.out" 2>"$work/second.err" || rc=$?
[ "$rc" -eq 1 ] || fail "a second launcher ended with $rc, not 1"
windows=$(xdotool search --onlyvisible --name Quorvane 2>/dev/null | wc -l)
[ "$windows" -eq 1 ] || fail "$windows launcher windows are visible"

press Down
quit_launcher
cp "$ini" "$work/saved.ini"

# The saved keys, in order, and every foreign line still there.
saved=$(grep -E '^(UseDirectInput|MenuType|PreviewPictures|Fontface|MusicRepeatPlaylist|Orientation|SelectedGame|LastMameVersion)=' "$ini")
for line in "UseDirectInput=1" "MenuType=ListView" "PreviewPictures=ScreenShots" \
    "Orientation=Normal" "SelectedGame=beta" "LastMameVersion=MAME v0.251 (stand-in)" \
    "MusicRepeatPlaylist=1"; do
    grep -qxF "$line" <<<"$saved" || fail "the settings file lacks '$line': $(cat "$work/saved.ini")"
done
while IFS= read -r line; do
    [[ $line == *=* && $line != *" = "* && $line != anything=goes ]] && continue
    grep -qxF -- "$line" "$ini" || fail "the foreign line '$line' was not kept"
done < "$work/foreign.txt"

# No settings file: every setting takes its default, the default emulator path names nothing,
# so start-up ends with exit code 1 after its messages, and no settings file is written.
rm -f "$work/gamecache.xml"
rc=0
(cd "$work" && SDL_VIDEODRIVER=x11 QUORVANE_NO_MESSAGE_BOX=1 timeout 60 "$bin" "$work/none.ini") \
    >"$work/none.out" 2>"$work/none.err" || rc=$?
[ "$rc" -eq 1 ] || fail "start-up without settings ended with $rc, not 1"
grep -q "Initialization failed" "$work/none.err" || fail "no 'Initialization failed' message"
[ ! -e "$work/none.ini" ] || fail "a failed start-up wrote a settings file"

# The display goes away under a running launcher (the X server is killed): it neither crashes
# nor hangs, but quits in order and saves its settings.
start_launcher
press Down
kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null || true
xvfb_pid=
rc=
for _ in $(seq 200); do
    if ! kill -0 "$launcher_pid" 2>/dev/null; then
        rc=0
        wait "$launcher_pid" || rc=$?
        launcher_pid=
        break
    fi
    sleep 0.1
done
[ -n "$rc" ] || fail "the launcher hangs after its display went away"
[ "$rc" -eq 0 ] || fail "after its display went away the launcher ended with $rc"
grep -qxF "SelectedGame=betaj" "$ini" || fail "the settings were not saved: $(grep SelectedGame "$ini")"
echo PASS
