#!/usr/bin/env bash
# The whole program for real: each scenario_<name> below is the ctest test e2e_<name>. Most run
# the launcher on the demo cabinet under a private X server, drive it with keys and read back
# what it did: the stand-in emulator's record of its runs, the settings file, exit codes,
# standard error, and the screen (compared as pictures, its text read with OCR).
# Usage: scenarios.sh <scenario> <quorvane-binary> <source-dir>
scenario=$1
bin=$2
src=$3
source "$src/tests/e2e/launch_common.sh"

# The X server and the demo cabinet; skipped without Xvfb, xdotool or the named tools.
cabinet() {
    local tool
    for tool in Xvfb xdotool "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 0; }
    done
    start_x
    write_demo
}

# Runs a command that must end by itself with exit code $2 (output in $work/launcher-$1.*).
expect_exit() {
    local name=$1 want=$2
    shift 2
    rc=0
    "$@" >"$work/launcher-$name.out" 2>"$work/launcher-$name.err" || rc=$?
    [ "$rc" -eq "$want" ] || fail "$name: exit code $rc, not $want"
}

# The launcher's window covers the 1024x768 screen (within 10 s: after a game it comes back late).
expect_covers_screen() {
    covers() {
        geometry=$(xdotool search --onlyvisible --name Quorvane getwindowgeometry 2>/dev/null)
        [[ $geometry == *"Position: 0,0 "* && $geometry == *"Geometry: 1024x768"* ]]
    }
    poll 100 0.1 covers || fail "the window does not cover the screen $1: $geometry"
}

# Start-up, games and shutdown, each way the launcher can end with its exit code and what it
# leaves in the settings file. The window covers the screen; the keys start the emulator from its
# folder with the game's own options or its parent's, and the launcher takes its window and
# keyboard back after each game.
scenario_startup() {
    cabinet
    # Foreign lines: comments, blank lines, unknown keys and the sections it never writes.
    printf '%s\n' '; a comment the owner wrote' 'UnknownKey = kept as written' '' '[Keymappings]' \
        Exit=27 'StartGame = 49' '' '[Sounds]' Startup= '' '[Custom]' anything=goes >> "$ini"
    # No display at all (no X, no Wayland, no SDL_VIDEODRIVER, as over ssh): no launcher that
    # nobody can see, and the lock is not left held, so the launcher started next runs.
    expect_exit nodisplay 1 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
        SDL_AUDIODRIVER=dummy QUORVANE_NO_MESSAGE_BOX=1 timeout 30 "$bin" "$ini"
    grep -q "Failed to create window!" "$work/launcher-nodisplay.err" || fail "no window message"
    # "--listjoysticks" anywhere on the command line prints the caption, the first usable
    # controller (none here) and the prompt, and ends after one character of input.
    expect_exit listing 0 env -C "$work" -u DISPLAY SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        timeout 20 "$bin" listing.ini --listjoysticks extra <<<''
    local listing=$work/launcher-listing.out
    [ "$(cat "$listing")" = $'Quorvane v3.0\n\n\nPress enter to close console:' ] ||
        fail "the listing printed: $(cat "$listing")"
    [ ! -e "$work/listing.ini" ] || fail "the listing mode wrote a settings file"

    start_launcher
    expect_covers_screen "at start"
    expect_exit second 1 timeout 10 "$bin" "$ini"   # a second launcher ends at once
    press Down 1            # Beta Game, StartGame
    wait_for_runs 1
    expect_run 1 beta -skip_gameinfo -window
    expect_covers_screen "after the first game"
    press Down 1            # Beta Game (Japan): no options of its own
    wait_for_runs 2
    expect_run 2 betaj -skip_gameinfo -window
    quit_launcher
    # The saved keys, and every foreign line as it was.
    for line in UseDirectInput=1 MenuType=ListView PreviewPictures=ScreenShots Orientation=Normal \
        SelectedGame=betaj "LastMameVersion=MAME v0.251 (stand-in)" MusicRepeatPlaylist=1 \
        '; a comment the owner wrote' 'UnknownKey = kept as written' '' '[Settings]' '[System]' \
        '[Mameoptions]' '[Keymappings]' 'StartGame = 49' '[Sounds]' '[Custom]' anything=goes; do
        grep -qxF -- "$line" "$ini" || fail "the settings file lacks the line '$line': $(cat "$ini")"
    done

    # No settings file: every setting takes its default, the default emulator path names nothing,
    # so start-up ends with exit code 1 after its messages, and no settings file is written.
    rm -f "$work/gamecache.xml"
    expect_exit none 1 env -C "$work" timeout 60 "$bin" "$work/none.ini"
    grep -q "Initialization failed" "$work/launcher-none.err" || fail "no 'Initialization failed'"
    [ ! -e "$work/none.ini" ] || fail "a failed start-up wrote a settings file"

    # The display goes away (the X server is killed) under a running launcher ("-"), and while it
    # closes its window (a session ending), where closing waits for the server's answer, which
    # never comes; which step of the closing the loss meets varies from run to run. Each time the
    # launcher neither crashes nor hangs, but quits in order and saves its settings.
    local delay
    for delay in - 0 0.02 0.05 0.1 0.2; do
        [ -n "$xvfb_pid" ] || start_x
        start_launcher
        if [ "$delay" = - ]; then
            press Up
        else
            kill -TERM "$launcher_pid"
            sleep "$delay"
        fi
        kill "$xvfb_pid"
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
        expect_clean_end 300 "its display went away (asked to quit $delay s before)"
        grep -qxF SelectedGame=beta "$ini" || fail "the settings were not saved: $(grep Sel "$ini")"
    done
}

# The pop-ups: Control opens the selected game's history text, Down scrolls it, Escape closes
# it, held or not; player 2 doing so leaves the whole screen turned to face him. In the options
# menu the arrow keys change values, Escape closes it and applies them at once (the image browser
# replaces the list, the clone is filtered out), and the settings file then has them.
scenario_popups() {
    cabinet import compare tesseract
    # The history of "alpha", 40 lines; the reader drops the line after each stored text line.
    {
        printf '%s\n' "# test history" '$info=alpha' '$mame'
        printf '%s\n\n' "Firstline of the Alpha Game history" "Secondline of the Alpha Game history"
        printf 'Line %d of the history\n\n' $(seq 3 40)
        echo '$end'
    } > "$work/mameinfo.dat"
    sed -i "s|^UseMameInfoDat=0|UseMameInfoDat=1\nMameinfo.dat=$work/mameinfo.dat\nFontsize=24\nInvertPlayer2Screen=1|" "$ini"
    start_launcher
    expect_text browse "the list view does not show the clone" "+Beta Game (Japan)"
    press ctrl                               # GameInfo
    expect_text opened "the history's first line is not shown" +Firstline
    ! grep -q "mameinfo.dat" "$work"/launcher*.err || fail "a readable history file was reported"
    press Down
    expect_text scrolled "Down did not scroll the text" -Firstline +history
    # Escape closes the window only, even held for half a second: the launcher goes on only once
    # the key has been let go and pressed again.
    xdotool keydown Escape sleep 0.5 keyup Escape
    sleep 0.6
    expect_alive "after closing the information window"
    expect_text closed "Escape did not close the window" -Firstline "+Alpha Game"
    [ "$(differing_pixels browse closed)" -lt 1000 ] || fail "the browse screen did not return"

    # Player 2 (Q: history, W: close): then the whole screen is the browse screen upside down, not
    # a turned bar over an unturned list. Text drawn upside down is anti-aliased a little
    # differently: only clear differences count (an unturned screen differs in over 10,000).
    press q
    expect_change closed turned_open 1000 "player 2's history key showed no window"
    press w
    convert "$work/browse.png" -rotate 180 "$work/browse_turned.png"
    turned() { shoot turned && [ "$(differing_pixels browse_turned turned 40%)" -lt 500 ]; }
    poll 25 0.2 turned || true
    turned || fail "after player 2's history text the screen is not the browse screen turned whole"

    press 2                                  # ShowMenu, player 1's: the screen faces him again
    expect_text menu "ShowMenu showed no menu" "+Display Clones" "+List View"
    # "Menu Type": "List View" -> "Image Preview"; nine Downs to "Display Clones": "Yes" -> "No".
    press_seen Right Down Down Down Down Down Down Down Down Down Right
    press Escape                             # applies the changes
    sleep 0.6
    expect_alive "after the options menu"
    expect_text after "the menu's changes are not shown" -Japan "-Display Clones"
    [ "$(differing_pixels browse after)" -gt 1000 ] || fail "the image browser is not shown"
    quit_launcher
    for line in DisplayClones=0 MenuType=ImageBrowser; do
        grep -qx "$line" "$ini" || fail "the settings file lacks $line: $(cat "$ini")"
    done
}

# The jukebox, read off the music bar: music plays at start-up and its time advances; "x" stops
# it, "z" plays, "c" and "v" go to the next and the previous song; a game pauses the music and it
# resumes after. Music not paused during a game moves on to the next song while the game runs.
scenario_music() {
    cabinet sox tesseract import
    song() { sox -n -r 22050 -c 1 "$work/$1.ogg" synth "$2" sine "$3" vol 0.1; }
    playlist() { printf "$work/%s.ogg\n" "$@" > "$work/playlist.txt"; }
    # Ten minutes each: however slowly the machine runs the checks, the first song must not end
    # before the keys that expect it.
    song tune-a 600 440
    song tune-b 600 660
    playlist tune-a tune-b
    sed -i "s|^MusicPlayAtStartup=0|MusicPlayAtStartup=1\nPlaylistFilename=$work/playlist.txt\nStatusBarFontSize=20|" "$ini"
    # A game holds the emulator for $1 seconds; the stand-in records it as it ends.
    game_takes() { echo "case \"\${1:-}\" in -*) ;; *) sleep $1 ;; esac" > "$work/emu.env"; }
    # Seconds played, from the bar's "mm:ss/mm:ss", into $secs; waits up to about 10 s for the
    # bar to show (after a game the window comes back a moment later).
    bar_time() {
        read_screen bar
        [[ $text =~ ([0-9][0-9]):([0-9][0-9])/ ]] &&
            secs=$((10#${BASH_REMATCH[1]} * 60 + 10#${BASH_REMATCH[2]}))
    }
    played() { poll 20 0.5 bar_time || fail "no playing time in the music bar: '$text'"; }
    later_than() { played && [ "$secs" -gt "$1" ]; }

    start_launcher
    expect_text bar "no music at start-up" '+Playing "tune-a" by "Unknown"'
    played
    local t0=$secs step before after from
    poll 20 0.5 later_than $((t0 + 1)) || fail "the playing time did not advance: $t0 then $secs"
    for step in 'x:Music Stopped' 'z:Playing "tune-a"' 'c:Playing "tune-b"' 'v:Playing "tune-a"'; do
        press "${step%%:*}"
        expect_text bar "after ${step%%:*}" "+${step#*:}"
    done

    # The launcher's window is hidden while the game runs, so the bar is read just before and
    # just after a game of fourteen seconds. Unpaused music moves on with the clock between the
    # two screenshots; paused, it loses the game's fourteen seconds. The limit is taken from
    # when the screenshots were taken, so a slow machine cannot make it fail (2 s are left for
    # the bar's rounding and repaint, 2 more as margin).
    game_takes 14
    played
    before=$secs from=$shot_from
    press 1
    wait_for_runs 1
    played
    after=$secs
    [ $(((after - before) * 1000000)) -le $((shot_to - from - 10000000)) ] ||
        fail "the music played on in the game: $before then $after, $(((shot_to - from) / 1000000)) s apart"
    poll 20 0.5 later_than "$after" || fail "the music did not resume after the game: $after, $secs"
    quit_launcher

    song short-a 4 440
    playlist short-a tune-b
    sed -i "s|^MusicPlayAtStartup=1|MusicPlayAtStartup=1\nMusicStopDuringGame=0|" "$ini"
    # A game long enough that the first song surely ends while it runs, even on a slow build.
    game_takes 7
    start_launcher
    expect_text bar "the short playlist does not play" '+Playing "short-a"'
    press 1
    wait_for_runs 2
    expect_text bar "no next song" '+Playing "tune-b"'
    played
    [ "$secs" -ge 3 ] || fail "the next song started only after the game: ${secs}s into it"
    quit_launcher
}

# The real emulator: the launcher builds its list from Debian's mame, and "pong" (a machine that
# needs no ROM files) launched with its own options runs and returns to the launcher.
scenario_real_mame() {
    local mame=/usr/games/mame args=$work/mame-args.log
    [ -x "$mame" ] || { echo "SKIP: no $mame"; exit 0; }
    cabinet
    rm "$work"/roms/*.zip
    : > "$work/roms/pong.zip"
    sed -i -e '/^UseDirectInput=/d' -e 's/^SelectedGame=alpha/SelectedGame=pong/' \
        -e 's/^beta=.*/pong=-video none -sound none -str 2 -nothrottle/' "$ini"
    # The emulator writes its configuration into its working and home folders: private ones.
    mkdir -p "$work/home"
    cat > "$emu" <<SH
#!/bin/sh
echo "\$@" >> "$args"
cd "$work/home" && HOME="$work/home" $mame "\$@"
rc=\$?; echo "exit=\$rc" >> "$args"; exit \$rc
SH
    start_launcher 2400                      # the full list takes a while on a loaded machine
    grep -q 'name="pong"' "$work/gamecache.xml" || fail "pong is not in the cache"
    press 1
    # -str 2 ends the emulation after two seconds; then the launcher has its screen back.
    pong_run() { grep -A1 -x "pong -video none -sound none -str 2 -nothrottle" "$args"; }
    poll 900 0.1 eval 'pong_run | grep -q "^exit="' ||
        fail "the emulator did not run pong with its options: $(cat "$args" 2>/dev/null)"
    sleep 2                                  # the launcher's pause after a game
    expect_alive "after pong"
    pong_run | grep -qx exit=0 || fail "pong did not end cleanly: $(cat "$args")"
    quit_launcher
}

declare -F "scenario_$scenario" >/dev/null || fail "no scenario '$scenario'"
"scenario_$scenario"
echo PASS
