#!/bin/sh
# A stand-in for the MAME emulator, for tests that must control what "the emulator" says and does.
#   -help      prints STAND_IN_MAME_VERSION (default "MAME v0.251 (stand-in)") and a second line;
#              a set but empty STAND_IN_MAME_VERSION prints nothing
#   -listxml   prints the file named by STAND_IN_MAME_LIST (nothing when unset or missing); with
#              STAND_IN_MAME_LATCH set, it stops after the line "<!-- latch -->" until that file
#              exists (at most 60 s, then "latch timed out" goes to the log) before the rest
#   otherwise  (a game launch) prints nothing
# Every run appends "run", "cwd=<folder>", one "arg=<word>" per argument and "end" to the file
# STAND_IN_MAME_LOG (when set), writes STAND_IN_MAME_STDERR (when set) to standard error, then
# kills itself with the signal STAND_IN_MAME_SIGNAL (when set) or exits with STAND_IN_MAME_EXIT
# (default 0). POSIX sh only, so it runs under dash as well as bash.

log=${STAND_IN_MAME_LOG:-}
if [ -n "$log" ]; then
    { echo run; echo "cwd=$(pwd)"; for arg in "$@"; do printf 'arg=%s\n' "$arg"; done
      echo end; } >> "$log"
fi

list=${STAND_IN_MAME_LIST:-} latch=${STAND_IN_MAME_LATCH:-}
case "${1:-}" in
    -help)
        version=${STAND_IN_MAME_VERSION-"MAME v0.251 (stand-in)"}
        [ -z "$version" ] || printf '%s\nCopyright MAMEdev and contributors\n' "$version"
        ;;
    -listxml)
        # The file up to the latch line (all of it without one), then the rest after the wait.
        if [ -n "$list" ] && [ -f "$list" ]; then
            sed -n '1,/<!-- latch -->/p' "$list"
            waited=0
            while [ -n "$latch" ] && [ ! -e "$latch" ] && [ "$waited" -lt 600 ]; do
                sleep 0.1
                waited=$((waited + 1))
            done
            [ -z "$latch" ] || [ -e "$latch" ] || [ -z "$log" ] || echo "latch timed out" >> "$log"
            sed '1,/<!-- latch -->/d' "$list"
        fi
        ;;
esac

[ -z "${STAND_IN_MAME_STDERR:-}" ] || printf '%s\n' "$STAND_IN_MAME_STDERR" >&2
[ -z "${STAND_IN_MAME_SIGNAL:-}" ] || kill -s "$STAND_IN_MAME_SIGNAL" $$
exit "${STAND_IN_MAME_EXIT:-0}"
