#!/bin/sh
# A stand-in for the MAME emulator, for tests that must control exactly what "the emulator"
# says and does. It answers the command lines the launcher uses:
#
#   stand_in_mame.sh -help       prints STAND_IN_MAME_VERSION (default "MAME v0.251 (stand-in)")
#                                as its first line, then a second line; an empty
#                                STAND_IN_MAME_VERSION (set but empty) prints nothing at all
#   stand_in_mame.sh -listxml    prints the file named by STAND_IN_MAME_LIST (nothing when the
#                                variable is unset or the file is missing)
#   stand_in_mame.sh <anything>  (a game launch) prints nothing
#
# Every run, whatever its arguments, appends a record to the file named by STAND_IN_MAME_LOG
# (when set), one line each:
#
#   run
#   cwd=<the working directory>
#   arg=<first argument>
#   arg=<second argument>          (one line per argument, in order)
#   end
#
# and then ends with the exit code STAND_IN_MAME_EXIT (default 0). When STAND_IN_MAME_SIGNAL
# names a signal (for example KILL or SEGV) the script kills itself with it instead of exiting,
# after the output above. STAND_IN_MAME_STDERR, when set, is also written to standard error.
#
# The script uses only POSIX sh features, so it runs under dash as well as bash.

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
            cat "$STAND_IN_MAME_LIST"
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
