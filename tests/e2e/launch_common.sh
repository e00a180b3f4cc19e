# Shared by the launch end-to-end tests (sourced, not run): a private X server, a stand-in
# emulator with a three-game list, a settings file, and helpers to drive the launcher.
#
# Expects: $bin (the quorvane binary), $src (the source folder). Sets $work, $log, $ini, $emu.
# The emulator is a small wrapper around the stand-in that first reads $work/emu.env, so that a
# test can change how the next run ends (STAND_IN_MAME_EXIT, STAND_IN_MAME_SIGNAL) while the
# launcher, and so its environment, stays the same.

set -euo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-e2e.XXXXXX")
log=$work/mame.log
ini=$work/launcher.ini
emu=$work/emu/mame
launcher_pid=
xvfb_pid=
# A private lock folder: the single-instance guard of a launcher running elsewhere on the
# machine must not stop the test's own.
export XDG_RUNTIME_DIR=$work/run
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

cleanup() {
    if [ -n "$launcher_pid" ] && kill -0 "$launcher_pid" 2>/dev/null; then
        kill "$launcher_pid" 2>/dev/null || true
        wait "$launcher_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for f in "$work"/launcher*.err; do
        [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
    done
    [ -f "$log" ] && { echo "--- emulator log" >&2; cat "$log" >&2; }
    exit 1
}

# Ends the test as skipped when one of the named programs is not installed.
skip_without() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 0; }
    done
}

# A private X server, so that the test neither needs nor disturbs a desktop.
start_x() {
    # Xvfb picks a free display itself and writes its number once it accepts connections, so
    # the test never talks to another test's server that is still shutting down.
    local number_file=$work/display-number n=""
    # -noreset: by default the server resets when its last client leaves, and a launcher started
    # right after the previous one quit would find no display during the reset.
    # The file exists before the server starts: the redirection below is made in the background
    # job, and a read of a missing file would end this script under `set -e`.
    : > "$number_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$number_file" \
        >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 300); do
        n=$(head -n 1 "$number_file" 2>/dev/null)
        [ -n "$n" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$n" ] || fail "no X server could be started"
    export DISPLAY=":$n"
    for _ in $(seq 300); do
        xdotool getmouselocation >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "the X server on $DISPLAY does not answer"
}

# The stand-in emulator in its own folder, a three-game list, ROM files for all three, and a
# settings file: Mame.exe points at the stand-in; "beta" has options of its own, its clone
# "betaj" has none and so takes its parent's.
write_demo() {
    mkdir -p "$work/emu" "$work/roms" "$work/snap" "$work/flyers"
    cp "$src/tests/support/stand_in_mame.sh" "$work/emu/stand_in_mame.sh"
    : > "$work/emu.env"
    cat > "$emu" <<SH
#!/bin/sh
. "$work/emu.env"
exec sh "$work/emu/stand_in_mame.sh" "\$@"
SH
    chmod +x "$emu"
    cat > "$work/list.xml" <<'XML'
<?xml version="1.0"?>
<mame build="0.251 (stand-in)">
	<machine name="alpha">
		<description>Alpha Game</description>
		<year>1981</year>
		<manufacturer>Test</manufacturer>
		<display type="raster" rotate="0" width="256" height="224"/>
		<input players="2" coins="1"><control type="joy" buttons="2" ways="8"/></input>
	</machine>
	<machine name="beta">
		<description>Beta Game</description>
		<year>1982</year>
		<manufacturer>Test</manufacturer>
		<display type="raster" rotate="0" width="256" height="224"/>
		<input players="2" coins="1"><control type="joy" buttons="2" ways="8"/></input>
	</machine>
	<machine name="betaj" cloneof="beta" romof="beta">
		<description>Beta Game (Japan)</description>
		<year>1982</year>
		<manufacturer>Test</manufacturer>
		<display type="raster" rotate="0" width="256" height="224"/>
		<input players="2" coins="1"><control type="joy" buttons="2" ways="8"/></input>
	</machine>
</mame>
XML
    for game in alpha beta betaj; do : > "$work/roms/$game.zip"; done
    cat > "$ini" <<INI
[Settings]
Mame.exe=$emu
Roms.dir=$work/roms
Snapshot.dir=$work/snap
Flyer.dir=$work/flyers
GameCache=$work/gamecache.xml
UseMameInfoDat=0
UseDirectInput=1
MusicPlayAtStartup=0
Fontface=Liberation Sans
StatusBarFontFace=Liberation Sans

[System]
SelectedGame=alpha

[Mameoptions]
beta=-skip_gameinfo -window
INI
    export STAND_IN_MAME_LIST="$work/list.xml"
    export STAND_IN_MAME_LOG="$log"
    : > "$log"
}

# How the following emulator runs end: "" (normally), or lines such as "STAND_IN_MAME_EXIT=3".
emulator_ends() {
    printf '%s\n' "$@" | sed 's/^\(.\)/export \1/' > "$work/emu.env"
}

# Starts the launcher on $ini (standard error to $work/launcher<N>.err) and waits for its window.
launch_count=0
start_launcher() {
    launch_count=$((launch_count + 1))
    export SDL_VIDEODRIVER=x11
    export SDL_AUDIODRIVER=dummy
    export QUORVANE_NO_MESSAGE_BOX=1
    # The launcher creates this file once start-up is over and it takes input: a key typed
    # earlier could land in the list build instead of the browse screen.
    export QUORVANE_READY_FILE=$work/ready
    rm -f "$QUORVANE_READY_FILE"
    "$bin" "$ini" >"$work/launcher$launch_count.out" 2>"$work/launcher$launch_count.err" &
    launcher_pid=$!
    for _ in $(seq 600); do
        kill -0 "$launcher_pid" 2>/dev/null || fail "the launcher ended during start-up"
        if [ -e "$QUORVANE_READY_FILE" ]; then
            xdotool search --onlyvisible --name "Quorvane" >/dev/null 2>&1 ||
                fail "the launcher is ready but its window is not visible"
            return 0
        fi
        sleep 0.1
    done
    fail "the launcher did not finish its start-up within a minute"
}

# Sends one key (an xdotool key name) and gives the launcher a few ticks to see it.
press() {
    xdotool key --delay 20 "$1"
    sleep 0.4
}

# Number of game runs (not -help / -listxml) the stand-in has recorded.
game_runs() {
    grep -c '^arg=[a-z]' "$log" || true
}

# Waits until the stand-in has recorded `$1` game runs.
wait_for_runs() {
    for _ in $(seq 100); do
        # The game has started; give the launcher time to take its window back and to pass the
        # pause after a game, during which presses are discarded on purpose.
        [ "$(game_runs)" -ge "$1" ] && { sleep 1.5; return 0; }
        sleep 0.1
    done
    fail "expected $1 game runs, saw $(game_runs)"
}

# The record of the n-th game run: "cwd=..." then one "arg=..." line per argument.
game_run() {
    awk -v want="$1" '
        /^run$/ { rec = ""; next }
        /^end$/ { if (rec ~ /arg=[a-z]/) { n++; if (n == want) { printf "%s", rec; exit } } next }
        { rec = rec $0 "\n" }' "$log"
}

# Asks the launcher to quit (Escape) and checks that it ends with exit code 0.
quit_launcher() {
    press Escape
    for _ in $(seq 100); do
        if ! kill -0 "$launcher_pid" 2>/dev/null; then
            local rc=0
            wait "$launcher_pid" || rc=$?
            launcher_pid=
            [ "$rc" -eq 0 ] || fail "the launcher ended with exit code $rc"
            return 0
        fi
        sleep 0.1
    done
    fail "the launcher did not quit on Escape"
}

expect_alive() {
    if ! kill -0 "$launcher_pid" 2>/dev/null; then
        local rc=0
        wait "$launcher_pid" || rc=$?
        launcher_pid=
        fail "the launcher is gone (exit code $rc): $1"
    fi
}

# Saves the screen as $work/<name>.png and prints that path.
screenshot() {
    import -display "$DISPLAY" -window root "$work/$1.png"
    echo "$work/$1.png"
}

# Number of pixels that differ between two screenshots.
differing_pixels() {
    compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true
}

# The text OCR reads off a screenshot.
screen_text() {
    convert "$1" -scale 200% "$1.ocr.png"
    tesseract "$1.ocr.png" - 2>/dev/null | tr -d '\f'
}

# A slow machine (a sanitizer build, a busy CI host) may draw a moment after the fixed pause of
# press(). These wait for what the check is about instead, and give up after about 5 s.

# Saves screenshots named <name> until one differs from the screenshot $1 in more than $3
# pixels (default 1000); prints the path of the last one.
screenshot_changed() {
    local before=$1 name=$2 least=${3:-1000} shot
    for _ in $(seq 25); do
        shot=$(screenshot "$name")
        [ "$(differing_pixels "$before" "$shot")" -gt "$least" ] && break
        sleep 0.2
    done
    echo "$shot"
}

# Saves screenshots named <name> until OCR reads a text for which the command "$2 <text>"
# succeeds; prints that text (or the last one read).
screen_text_until() {
    local name=$1 check=$2 text=""
    for _ in 1 2 3 4 5; do
        text=$(screen_text "$(screenshot "$name")")
        "$check" "$text" && break
        sleep 0.3
    done
    printf '%s\n' "$text"
}
