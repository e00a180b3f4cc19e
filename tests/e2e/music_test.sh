#!/usr/bin/env bash
# The jukebox for real, read off the screen: music plays at start-up and the music bar's time
# advances; "x" stops it, "z" plays, "c" and "v" go to the next and the previous song; a
# launched game pauses the music and it resumes after. The music bar is read back with OCR from
# the X server's screen.
#
# Usage: music_test.sh <quorvane-binary> <source-dir> <build-dir>
bin=$1
src=$2
source "$src/tests/e2e/launch_common.sh"

skip_without Xvfb xdotool sox tesseract import
start_x
write_demo

mkdir -p "$work/music"
sox -n -r 22050 -c 1 "$work/music/tune-a.ogg" synth 40 sine 440 vol 0.1
sox -n -r 22050 -c 1 "$work/music/tune-b.ogg" synth 40 sine 660 vol 0.1
printf '%s\n' "$work/music/tune-a.ogg" "$work/music/tune-b.ogg" > "$work/playlist.txt"
sed -i "s|^MusicPlayAtStartup=0|MusicPlayAtStartup=1\nPlaylistFilename=$work/playlist.txt\nStatusBarFontSize=20|" "$ini"
# A game is recorded by the stand-in, then runs until the test creates end-game (at most a
# minute), then leaves game-over.
cat > "$work/emu.env" <<SH
case "\${1:-}" in
    -*) ;;
    *) sh "$work/emu/stand_in_mame.sh" "\$@"
       for i in \$(seq 600); do [ -e "$work/end-game" ] && break; sleep 0.1; done
       : > "$work/game-over"
       exit 0 ;;
esac
SH

# The text of the music bar (the top strip of the screen in the normal orientation).
music_bar() {
    import -display "$DISPLAY" -window root "$work/screen.png"
    convert "$work/screen.png" -crop 1024x30+0+0 +repage -scale 300% "$work/bar.png"
    tesseract "$work/bar.png" - --psm 7 2>/dev/null | tr -d '\f' | head -n 1
}

# Seconds played, from the bar's "mm:ss/mm:ss"; waits up to about 10 s for the bar to show
# (after a game the window comes back a moment later).
played_seconds() {
    local bar
    for _ in $(seq 20); do
        bar=$(music_bar)
        if [[ $bar =~ ([0-9][0-9]):([0-9][0-9])/ ]]; then
            echo $((10#${BASH_REMATCH[1]} * 60 + 10#${BASH_REMATCH[2]}))
            return 0
        fi
        sleep 0.5
    done
    fail "no playing time in the music bar: '$bar'"
}

expect_bar() {
    local bar
    for _ in 1 2 3 4 5; do
        bar=$(music_bar)
        [[ $bar == *"$1"* ]] && return 0
        sleep 0.5
    done
    fail "expected the music bar to show '$1', it shows '$bar'"
}

start_launcher
expect_bar 'Playing "tune-a" by "Unknown"'
t0=$(played_seconds)
sleep 3
t1=$(played_seconds)
[ "$t1" -ge $((t0 + 2)) ] || fail "the playing time did not advance: $t0 then $t1"

press x
expect_bar "Music Stopped"
press z
expect_bar 'Playing "tune-a"'
press c
expect_bar 'Playing "tune-b"'
press v
expect_bar 'Playing "tune-a"'

# A game pauses the music. The launcher's window is hidden while the game runs, so the bar is
# read just before and just after a game held for ten seconds: unpaused music would have moved
# on by ten seconds at least.
before=$(played_seconds)
press 1
wait_for_runs 1
sleep 10
: > "$work/end-game"
for _ in $(seq 300); do
    [ -e "$work/game-over" ] && break
    sleep 0.1
done
after=$(played_seconds)
[ "$after" -lt $((before + 7)) ] || fail "the music played on during the game: $before then $after"
for _ in $(seq 20); do
    later=$(played_seconds)
    [ "$later" -gt "$after" ] && break
    sleep 0.5
done
[ "$later" -gt "$after" ] || fail "the music did not resume after the game: $after then $later"

quit_launcher

# Music that is not paused during a game moves on to the next song while the game runs.
sox -n -r 22050 -c 1 "$work/music/short-a.ogg" synth 4 sine 440 vol 0.1
sox -n -r 22050 -c 1 "$work/music/short-b.ogg" synth 30 sine 660 vol 0.1
printf '%s\n' "$work/music/short-a.ogg" "$work/music/short-b.ogg" > "$work/playlist.txt"
sed -i "s|^MusicPlayAtStartup=1|MusicPlayAtStartup=1\nMusicStopDuringGame=0|" "$ini"
# A game long enough that the first song surely ends while it runs, even on a slow build.
echo 'case "${1:-}" in -*) ;; *) sleep 7 ;; esac' > "$work/emu.env"
: > "$log"
start_launcher
expect_bar 'Playing "short-a"'
press 1
wait_for_runs 1
expect_bar 'Playing "short-b"'
into_b=$(played_seconds)
[ "$into_b" -ge 3 ] || fail "the next song started only after the game: ${into_b}s into it"
quit_launcher
echo PASS
