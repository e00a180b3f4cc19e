# The harness of the whole-program tests (sourced, not run): a private X server, the demo
# cabinet, and helpers that drive the launcher and read its screen back. Waits are polls with
# generous limits; the few fixed pauses give the launcher ticks to see a key or wait out its own
# pause after a game. Expects $bin (the program) and $src (the source folder).

set -euo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-e2e.XXXXXX")
log=$work/mame.log
ini=$work/launcher.ini
emu=$work/emu/mame
launcher_pid=
xvfb_pid=
launch_count=0
# A private lock folder: the single-instance guard of a launcher running elsewhere on the
# machine must not stop the test's own.
export XDG_RUNTIME_DIR=$work/run
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

cleanup() {
    local pid
    for pid in "$launcher_pid" "$xvfb_pid"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        # A launcher that hangs ignores the request: the test has failed already, so it ends.
        poll 50 0.1 eval "! kill -0 $pid 2>/dev/null" || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for f in "$work"/launcher*.err "$log"; do
        [ -s "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
    done
    exit 1
}

# Runs the command until it succeeds, at most $1 times $2 seconds apart; false if it never does.
poll() {
    local tries=$1 pause=$2 i
    shift 2
    for ((i = 0; i < tries; i++)); do "$@" && return 0; sleep "$pause"; done
    return 1
}

# A private X server. Xvfb picks a free display and writes its number once it accepts
# connections, so a test never talks to another test's server. -noreset: a server resetting as
# its last client leaves would have no display for a launcher started right after one quit.
start_x() {
    : > "$work/display-number"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display-number" \
        >/dev/null 2>&1 &
    xvfb_pid=$!
    poll 300 0.1 test -s "$work/display-number" || fail "no X server could be started"
    export DISPLAY=":$(head -n 1 "$work/display-number")"
    poll 300 0.1 xdotool getmouselocation >/dev/null 2>&1 ||
        fail "the X server on $DISPLAY does not answer"
}

# The demo cabinet: the stand-in emulator in its own folder ($emu, a wrapper that first sources
# $work/emu.env, so that a test can change how the next run ends while the launcher runs on), a
# three-game list with ROM files for all, and the settings file $ini: "beta" has options of its
# own, its clone "betaj" has none and so takes its parent's. The stand-in records runs in $log.
write_demo() {
    mkdir -p "$work/emu" "$work/roms" "$work/snap" "$work/flyers"
    cp "$src/tests/support/stand_in_mame.sh" "$work/emu/stand_in_mame.sh"
    : > "$work/emu.env"
    printf '#!/bin/sh\n. "%s"\nexec sh "%s" "$@"\n' "$work/emu.env" "$work/emu/stand_in_mame.sh" > "$emu"
    chmod +x "$emu"
    local rest='<manufacturer>Test</manufacturer><display type="raster" rotate="0" width="256"'
    rest+=' height="224"/><input players="2" coins="1"><control type="joy" buttons="2" ways="8"/>'
    rest+='</input></machine>'
    cat > "$work/list.xml" <<XML
<?xml version="1.0"?>
<mame build="0.251 (stand-in)">
<machine name="alpha"><description>Alpha Game</description><year>1981</year>$rest
<machine name="beta"><description>Beta Game</description><year>1982</year>$rest
<machine name="betaj" cloneof="beta" romof="beta"><description>Beta Game (Japan)</description><year>1982</year>$rest
</mame>
XML
    for game in alpha beta betaj; do : > "$work/roms/$game.zip"; done
    printf '%s\n' '[Settings]' "Mame.exe=$emu" "Roms.dir=$work/roms" "Snapshot.dir=$work/snap" \
        "Flyer.dir=$work/flyers" "GameCache=$work/gamecache.xml" UseMameInfoDat=0 UseDirectInput=1 \
        MusicPlayAtStartup=0 'Fontface=Liberation Sans' 'StatusBarFontFace=Liberation Sans' '' \
        '[System]' SelectedGame=alpha '' '[Mameoptions]' 'beta=-skip_gameinfo -window' > "$ini"
    export STAND_IN_MAME_LIST="$work/list.xml" STAND_IN_MAME_LOG="$log"
    : > "$log"
}

# Starts the launcher on $ini (standard error to $work/launcher<N>.err) and waits, at most $1
# tenths of a second, for its ready file: a key typed earlier could land in the list build.
start_launcher() {
    launch_count=$((launch_count + 1))
    export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy QUORVANE_NO_MESSAGE_BOX=1
    export QUORVANE_READY_FILE=$work/ready
    rm -f "$QUORVANE_READY_FILE"
    "$bin" "$ini" >"$work/launcher$launch_count.out" 2>"$work/launcher$launch_count.err" &
    launcher_pid=$!
    started() { ! launcher_gone || fail "the launcher ended during start-up"; [ -e "$work/ready" ]; }
    poll "${1:-600}" 0.1 started || fail "the launcher did not finish its start-up in time"
    xdotool search --onlyvisible --name Quorvane >/dev/null 2>&1 ||
        fail "the launcher is ready but its window is not visible"
}

# True once the launcher has ended; its exit code is then in $rc.
launcher_gone() {
    kill -0 "$launcher_pid" 2>/dev/null && return 1
    rc=0
    wait "$launcher_pid" || rc=$?
    launcher_pid=
}

expect_alive() { ! launcher_gone || fail "the launcher is gone (exit code $rc): $1"; }

# Waits at most $1 tenths of a second for the launcher to end, and fails unless its exit code is 0.
expect_clean_end() {
    poll "$1" 0.1 launcher_gone || fail "the launcher did not end: $2"
    [ "$rc" -eq 0 ] || fail "the launcher ended with exit code $rc: $2"
}

quit_launcher() {
    press Escape
    expect_clean_end 100 "quit on Escape"
}

# Taps keys (xdotool names) a few ticks apart. Down and up at once: on a busy machine a key held
# a moment could last into a second tick of the launcher's and act twice.
press() {
    local key
    for key; do xdotool key --delay 0 "$key"; sleep 0.4; done
}

# Presses each key only once the screen has shown the launcher's answer to the one before: two
# taps of one key within one of its ticks count once, and a busy machine can make ticks long.
press_seen() {
    local key
    for key; do
        shoot before_key
        xdotool key --delay 0 "$key"
        expect_change before_key after_key 0 "the screen did not answer the key $key"
    done
}

# Waits for $1 game runs (not -help / -listxml) in the stand-in's record, then for the launcher to
# take its window back and pass the pause after a game, which discards presses on purpose.
wait_for_runs() {
    runs_reached() { runs=$(grep -c '^arg=[a-z]' "$log" || true); [ "$runs" -ge "$1" ]; }
    poll 300 0.1 runs_reached "$1" || fail "expected $1 game runs, saw $runs"
    sleep 1.5
}

# Fails unless the n-th game run was made in the emulator's folder with the arguments $2...
expect_run() {
    local n=$1 want run
    shift
    want="cwd=$(cd "$work/emu" && pwd -P)$(printf '\narg=%s' "$@")"
    run=$(awk -v RS='end\n' -v n="$n" \
        '/arg=[a-z]/ && ++i == n { sub(/^run\n/, ""); print }' "$log")
    [ "$run" = "$want" ] || fail "game run $n was: $run"
}

# Also keeps when the screenshot was taken, in microseconds: from $shot_from to $shot_to.
shoot() {
    shot_from=${EPOCHREALTIME/./}
    import -display "$DISPLAY" -window root "$work/$1.png"
    shot_to=${EPOCHREALTIME/./}
}

# Number of pixels that differ between the screenshots <name> $1 and $2 (beyond $3, e.g. 40%).
differing_pixels() {
    compare -metric AE -fuzz "${3:-0}" "$work/$1.png" "$work/$2.png" null: 2>&1 | cut -d' ' -f1 || true
}

# Shoots $2 until it differs from $1 in more than $3 pixels (about 5 s at most), else fails with $4.
expect_change() {
    screen_changed() { shoot "$2" && [ "$(differing_pixels "$1" "$2")" -gt "$3" ]; }
    poll 25 0.2 screen_changed "$1" "$2" "$3" || fail "$4"
}

# OCR of the screen saved as <name>, into $text; "bar" reads the music bar (the top strip) alone.
read_screen() {
    shoot "$1"
    if [ "$1" = bar ]; then
        convert "$work/bar.png" -crop 1024x30+0+0 +repage -scale 300% "$work/bar.ocr.png"
        text=$(tesseract "$work/bar.ocr.png" - --psm 7 2>/dev/null | tr -d '\f' | head -n 1)
    else
        convert "$work/$1.png" -scale 200% "$work/$1.ocr.png"
        text=$(tesseract "$work/$1.ocr.png" - 2>/dev/null | tr -d '\f')
    fi
}

# Reads the screen <name> until it holds every "+words" and no "-words" (about 3 s), else fails.
expect_text() {
    local name=$1 what=$2
    shift 2
    screen_reads() {
        local words
        read_screen "$1"
        shift
        for words; do
            if [[ $words == +* ]]; then [[ $text == *"${words:1}"* ]]; else [[ $text != *"${words:1}"* ]]; fi ||
                return 1
        done
    }
    poll 6 0.5 screen_reads "$name" "$@" || fail "$what; the screen shows: '$text'"
}
