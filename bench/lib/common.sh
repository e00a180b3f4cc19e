# Shared by the whole-program benchmarks (sourced, not run): a private X server and a private
# single-instance folder, cleaned up on exit.
#
# Expects: $work (a folder the caller owns). Sets DISPLAY and XDG_RUNTIME_DIR.

xvfb_pid=
bench_cleanups=()

bench_cleanup() {
    local step
    for step in "${bench_cleanups[@]}"; do eval "$step" || true; done
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap bench_cleanup EXIT

die() {
    echo "error: $*" >&2
    exit 2
}

need() {
    local tool
    for tool in "$@"; do command -v "$tool" >/dev/null || die "$tool is not installed"; done
}

# A private X server of the given size ("1920x1080"): the benchmark neither needs nor disturbs
# a desktop, and a launcher elsewhere on the machine does not hold our single-instance lock.
start_x() {
    local size=$1 number_file=$work/display-number n=""
    export XDG_RUNTIME_DIR=$work/run
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    : > "$number_file"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$number_file" \
        >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        n=$(head -n 1 "$number_file" 2>/dev/null)
        [ -n "$n" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$n" ] || die "no X server could be started"
    export DISPLAY=":$n"
    for _ in $(seq 50); do
        xdotool getmouselocation >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    die "the X server on $DISPLAY does not answer"
}

# Waits (up to $2 seconds) until a visible window whose name holds $1 exists.
wait_for_window() {
    for _ in $(seq $(($2 * 10))); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# Median of the numbers on standard input.
median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
