#!/usr/bin/env bash
# Shared ground of the desktop program's tests under Xvfb: refusals, a work folder that is removed
# with every process the test started, a private X server and testhost. Sourced, not run.

fail() {
    echo "FAIL: $*" >&2
    [ -f "${WORK:-}/program.err" ] && { echo "--- program stderr:" >&2; tail -n 20 "$WORK/program.err" >&2; }
    [ -f "${WORK:-}/host.log" ] && { echo "--- host log:" >&2; grep -vE ' (HEX[<>]|SCREEN) ' "$WORK/host.log" | tail -n 20 >&2; }
    exit 1
}
skip() {
    echo "SKIP: $*" >&2
    exit 77
}

# require_desktop TOOL...: a Qt build of the program, Xvfb and the named X tools, or a skip.
require_desktop() {
    : "${ORKAN_BIN:?}"
    [ -x "$ORKAN_BIN" ] || fail "ORKAN_BIN does not name the program"
    # Set by CTest only in a build with the desktop program: there, a missing one is a broken build.
    [ -n "${ORKAN_DESKTOP_BIN:-}" ] || skip "this build has no desktop program (built without Qt)"
    [ -x "$ORKAN_DESKTOP_BIN" ] || fail "the desktop program $ORKAN_DESKTOP_BIN was not built"
    local tool
    for tool in Xvfb "$@"; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (Debian packages xvfb, xdotool, xclip; 'make deps' installs them)"
    done
}

WORK=$(mktemp -d)
CLEANUP_PIDS=()
CLEANUP_SIGNAL=TERM
# track PID: ended at exit, the latest first (a clipboard owner before the program, the program
# before its host and X server).
track() { CLEANUP_PIDS=("$1" "${CLEANUP_PIDS[@]}"); }
cleanup() {
    local pid
    for pid in "${CLEANUP_PIDS[@]}"; do
        kill "-$CLEANUP_SIGNAL" "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

# waitfor SECONDS CONDITION...: polls every 50 ms.
waitfor() {
    local tries=$(($1 * 20))
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}

# start_xvfb [WIDTHxHEIGHT]: a server (1280x1024 unless given) on a display number of its own
# choosing (-displayfd), so parallel tests never collide.
start_xvfb() {
    mkfifo "$WORK/displayfd"
    Xvfb -displayfd 3 -screen 0 "${1:-1280x1024}x24" -nolisten tcp -noreset 3>"$WORK/displayfd" 2>"$WORK/xvfb.err" &
    XVFB_PID=$!
    track "$XVFB_PID"
    read -r -t 20 DISPLAY_NUMBER <"$WORK/displayfd" || DISPLAY_NUMBER=""
    if [ -z "$DISPLAY_NUMBER" ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
        cat "$WORK/xvfb.err" >&2
        skip "Xvfb could not start"
    fi
    export DISPLAY=":$DISPLAY_NUMBER"
    unset WAYLAND_DISPLAY
}

# start_testhost [ARGS...]: testhost (the demo unless ARGS name an application) on a free loopback
# port: PORT, HOST_PID, its log in $WORK/host.log.
start_testhost() {
    : "${TESTHOST_BIN:?}"
    "$TESTHOST_BIN" --port 0 --log "$WORK/host.log" "$@" >"$WORK/host.out" 2>"$WORK/host.err" &
    HOST_PID=$!
    track "$HOST_PID"
    waitfor 30 test -s "$WORK/host.out" || fail "testhost did not start: $(cat "$WORK/host.err")"
    PORT=$(head -n 1 "$WORK/host.out")
}

# A home of its own: the program's folders, settings and runtime folder never touch the user's.
prepare_home() {
    mkdir -p "$WORK/home" "$WORK/config" "$WORK/run"
    chmod 700 "$WORK/run"
}

# focus_window PID: the program's visible window, focused; prints its id.
focus_window() {
    local window
    window=$(xdotool search --sync --onlyvisible --pid "$1" 2>/dev/null | head -n 1)
    [ -n "$window" ] || return 1
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window" 2>/dev/null || return 1
    echo "$window"
}

# png_check COMMAND ARGS...: a check of desktop_png.py on a screenshot or report, or fail with its words.
png_check() {
    local problem
    problem=$(python3 "$(dirname "${BASH_SOURCE[0]}")/desktop_png.py" "$@") || fail "$1: $problem"
}

# end_program: SIGTERM closes the session as a normal close does: the program ends with status 0.
end_program() {
    kill -TERM "$PROGRAM_PID"
    local status=0
    wait "$PROGRAM_PID" || status=$?
    PROGRAM_PID=""
    [ "$status" = 0 ] || fail "the program ended with status $status"
}
