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

if [ -n "${STAND_IN_MAME_LOG:-}" ]; then
    {
        echo "run"
        echo "cwd=$(pwd)"
        for arg in "$@"; do
            printf 'arg=%s\n' "$arg"
        done
        echo "end"
    } >> "$STAND_IN_MAME_LOG"
fi

case "${1:-}" in
    -help)
        if [ "${STAND_IN_MAME_VERSION+set}" = set ]; then
            if [ -n "$STAND_IN_MAME_VERSION" ]; then
                printf '%s\n' "$STAND_IN_MAME_VERSION"
                echo "Copyright MAMEdev and contributors"
            fi
        else
            echo "MAME v0.251 (stand-in)"
            echo "Copyright MAMEdev and contributors"
        fi
        ;;
    -listxml)
        if [ -n "${STAND_IN_MAME_LIST:-}" ] && [ -f "$STAND_IN_MAME_LIST" ]; then
            if [ -n "${STAND_IN_MAME_LATCH:-}" ]; then
                sed -n '1,/<!-- latch -->/p' "$STAND_IN_MAME_LIST"
                waited=0
                while [ ! -e "$STAND_IN_MAME_LATCH" ] && [ "$waited" -lt 600 ]; do
                    sleep 0.1
                    waited=$((waited + 1))
                done
                if [ ! -e "$STAND_IN_MAME_LATCH" ] && [ -n "${STAND_IN_MAME_LOG:-}" ]; then
                    echo "latch timed out" >> "$STAND_IN_MAME_LOG"
                fi
                sed '1,/<!-- latch -->/d' "$STAND_IN_MAME_LIST"
            else
                cat "$STAND_IN_MAME_LIST"
            fi
        fi
        ;;
esac

if [ -n "${STAND_IN_MAME_STDERR:-}" ]; then
    printf '%s\n' "$STAND_IN_MAME_STDERR" >&2
fi

if [ -n "${STAND_IN_MAME_SIGNAL:-}" ]; then
    kill -s "$STAND_IN_MAME_SIGNAL" $$
fi
exit "${STAND_IN_MAME_EXIT:-0}"
