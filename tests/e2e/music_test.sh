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
# Each game runs ten seconds: long enough to read the music bar twice while it runs.
echo "case \"\${1:-}\" in -*) ;; *) sleep 10; : > '$work/game-over' ;; esac" > "$work/emu.env"

# The text of the music bar (the top strip of the screen in the normal orientation).
music_bar() {
    import -display "$DISPLAY" -window root "$work/screen.png"
    convert "$work/screen.png" -crop 1024x30+0+0 +repage -scale 300% "$work/bar.png"
    tesseract "$work/bar.png" - --psm 7 2>/dev/null | tr -d '\f' | head -n 1
}

# Seconds played, from the bar's "mm:ss/mm:ss".
played_seconds() {
    local bar
    bar=$(music_bar)
    [[ $bar =~ ([0-9][0-9]):([0-9][0-9])/ ]] || fail "no playing time in the music bar: '$bar'"
    echo $((10#${BASH_REMATCH[1]} * 60 + 10#${BASH_REMATCH[2]}))
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

# A game pauses the music: while it runs, the playing time stands still; after it, it moves on.
press 1
wait_for_runs 1
during=$(played_seconds)
sleep 2
still=$(played_seconds)
[ -e "$work/game-over" ] && fail "the game ended before the music bar was read twice"
[ "$still" -le $((during + 1)) ] || fail "the music played on during the game: $during then $still"
for _ in $(seq 300); do
    [ -e "$work/game-over" ] && break
    sleep 0.1
done
for _ in $(seq 20); do
    later=$(played_seconds)
    [ "$later" -gt "$still" ] && break
    sleep 0.5
done
[ "$later" -gt "$still" ] || fail "the music did not resume after the game: $still then $later"

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
