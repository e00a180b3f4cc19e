#!/usr/bin/env bash
# The whole program for real: each scenario_<name> below is the ctest test e2e_<name>. Most run
# the launcher on the demo cabinet under a private X server, drive it with keys and read back
# what it did: the stand-in emulator's record of its runs, the settings file, exit codes,
# standard error, and the screen (compared as pictures, its text read with OCR).
#
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

# Runs a command that must end by itself with exit code $2 (output in $work/launcher-$1.out,
# standard error in $work/launcher-$1.err).
expect_exit() {
    local name=$1 want=$2
    shift 2
    rc=0
    "$@" >"$work/launcher-$name.out" 2>"$work/launcher-$name.err" || rc=$?
    [ "$rc" -eq "$want" ] || fail "$name: exit code $rc, not $want"
}

# The launcher's visible window covers the whole 1024x768 screen (within ten seconds, as after a
# game the window is shown again only once the emulator has ended).
expect_covers_screen() {
    geometry=
    covers() {
        geometry=$(xdotool search --onlyvisible --name Quorvane getwindowgeometry 2>/dev/null)
        [[ $geometry == *"Position: 0,0 "* && $geometry == *"Geometry: 1024x768"* ]]
    }
    poll 100 0.1 covers || fail "the window does not cover the screen $1: $geometry"
}

# Start-up, games and shutdown: without a display the launcher ends at once with exit code 1
# and a message; the window covers the screen; a second launcher ends at once with exit code 1
# and no window. The keys start the emulator from its folder with the game's own options or its
# parent's, and the launcher takes its window and keyboard back after each game. Escape ends it
# with exit code 0, and the settings file then holds the saved keys with every foreign line kept
# as it was. Without a usable settings file start-up fails cleanly and writes nothing. A launcher
# whose display goes away quits in order and saves its settings.
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

    start_launcher
    expect_covers_screen "at start"
    expect_exit second 1 timeout 10 "$bin" "$ini"
    [ "$(xdotool search --onlyvisible --name Quorvane 2>/dev/null | wc -l)" -eq 1 ] ||
        fail "not exactly one launcher window is visible"
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

    # The display goes away under a running launcher (the X server is killed): it neither crashes
    # nor hangs, but quits in order and saves its settings.
    start_launcher
    press Up
    kill "$xvfb_pid"
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
    expect_clean_end 200 "after its display went away"
    grep -qxF SelectedGame=beta "$ini" || fail "the settings were not saved: $(grep Selected "$ini")"

    # The display goes away while the launcher closes its window (a session ending): closing
    # waits for the server's answer, which never comes, yet the launcher must still end. Which
    # step of the closing the loss meets varies from run to run; none may hang.
    local delay
    for delay in 0 0.02 0.05 0.1 0.2; do
        start_x
        start_launcher
        kill -TERM "$launcher_pid"
        sleep "$delay"
        kill "$xvfb_pid"
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
        expect_clean_end 300 "its display went away $delay s after it was asked to quit"
    done
}

# The joystick listing mode: "--listjoysticks" anywhere on the command line prints the caption,
# the first usable controller (none on a machine without joysticks) and the prompt, then ends
# after one character of input with exit code 0. It needs no settings file and no display.
scenario_listing() {
    cd "$work"
    expect_exit listing 0 env -u DISPLAY SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 20 \
        "$bin" launcher.ini --listjoysticks extra <<<''
    local out=$work/launcher-listing.out
    [ "$(cat "$out")" = $'Quorvane v3.0\n\n\nPress enter to close console:' ] ||
        fail "it printed: $(cat "$out")"
    [ ! -e "$work/launcher.ini" ] || fail "the listing mode wrote a settings file"
}

# The options menu: ShowMenu opens it over the browse screen, the arrow keys change values,
# Escape closes it and applies them (the screen turns to the image browser and the catalogue is
# filtered again at once), and the changed values are in the settings file after the launcher
# quits.
scenario_menu_options() {
    cabinet import compare tesseract
    start_launcher
    expect_text browse "the list view does not show the clone" "+Beta Game (Japan)"
    press 2                                  # ShowMenu
    expect_text menu "ShowMenu showed no menu" "+Display Clones" "+List View"
    # "Menu Type": "List View" -> "Image Preview"; nine Downs to "Display Clones": "Yes" -> "No".
    press_seen Right Down Down Down Down Down Down Down Down Down Right
    expect_text changed "the menu does not show the new menu type" "+Image Preview"
    # "Display NeoGeo Games": "Yes" -> "No" -> "Yes" (back steps wrap too); Escape applies.
    press_seen Down Left Left
    press Escape
    sleep 0.6
    expect_alive "after the options menu"
    # The image browser replaced the list, and the clone is filtered out of it.
    expect_change menu after 1000 "the menu is still shown"
    [ "$(differing_pixels browse after)" -gt 1000 ] || fail "the screen did not change"
    expect_text after "the menu's changes are not shown" -Japan "-Display Clones"
    press Down Down 1                        # two Downs stop at "Beta Game"
    wait_for_runs 1
    expect_run 1 beta -skip_gameinfo -window
    quit_launcher
    for line in DisplayClones=0 MenuType=ImageBrowser DisplayNeoGeo=1; do
        grep -qx "$line" "$ini" || fail "the settings file lacks $line: $(cat "$ini")"
    done
}

# The game-information window: Control opens the history text of the selected game over the
# browse screen, Down and Up scroll it one line, Escape closes it, held or not, and the launcher
# runs on. Player 2 opening and closing it leaves the whole screen turned to face him.
scenario_info_window() {
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
    shoot browse
    press ctrl                               # GameInfo
    expect_change browse opened 1000 "Control showed no window"
    expect_text opened "the history's first line is not shown" +Firstline
    ! grep -q "mameinfo.dat" "$work"/launcher*.err || fail "a readable history file was reported"
    press Down
    expect_text scrolled "Down did not scroll the text" -Firstline +history
    press Up
    expect_text back "Up did not scroll back to the first line" +Firstline
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
    expect_alive "after player 2 closed the information window"
    turned || fail "after player 2's history text the screen is not the browse screen turned whole"
    quit_launcher
}

# The jukebox, read off the music bar: music plays at start-up and its time advances; "x" stops
# it, "z" plays, "c" and "v" go to the next and the previous song; a game pauses the music and it
# resumes after. Music not paused during a game moves on to the next song while the game runs.
scenario_music() {
    cabinet sox tesseract import
    mkdir -p "$work/music"
    song() { sox -n -r 22050 -c 1 "$work/music/$1.ogg" synth "$2" sine "$3" vol 0.1; }
    playlist() { printf "$work/music/%s.ogg\n" "$@" > "$work/playlist.txt"; }
    song tune-a 40 440
    song tune-b 40 660
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
    local t0=$secs step before after
    poll 20 0.5 later_than $((t0 + 1)) || fail "the playing time did not advance: $t0 then $secs"
    for step in 'x:Music Stopped' 'z:Playing "tune-a"' 'c:Playing "tune-b"' 'v:Playing "tune-a"'; do
        press "${step%%:*}"
        expect_text bar "after ${step%%:*}" "+${step#*:}"
    done

    # The launcher's window is hidden while the game runs, so the bar is read just before and
    # just after a game of fourteen seconds: unpaused music would have moved on as far.
    game_takes 14
    played
    before=$secs
    press 1
    wait_for_runs 1
    played
    after=$secs
    [ "$after" -lt $((before + 9)) ] || fail "the music played on in the game: $before then $after"
    poll 20 0.5 later_than "$after" || fail "the music did not resume after the game: $after, $secs"
    quit_launcher

    song short-a 4 440
    song short-b 30 660
    playlist short-a short-b
    sed -i "s|^MusicPlayAtStartup=1|MusicPlayAtStartup=1\nMusicStopDuringGame=0|" "$ini"
    # A game long enough that the first song surely ends while it runs, even on a slow build.
    game_takes 7
    : > "$log"
    start_launcher
    expect_text bar "the short playlist does not play" '+Playing "short-a"'
    press 1
    wait_for_runs 1
    expect_text bar "no next song" '+Playing "short-b"'
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
    sleep 2
    expect_alive "after pong"
    pong_run | grep -qx exit=0 || fail "pong did not end cleanly: $(cat "$args")"
    quit_launcher
}

declare -F "scenario_$scenario" >/dev/null || fail "no scenario '$scenario'"
"scenario_$scenario"
echo PASS
