#!/usr/bin/env bash
# The desktop program in Xvfb ends on SIGTERM whatever it is waiting for: a message box during
# start-up (a copy of the program beside an empty data folder finds none of its files) ends it
# without a session; the session dialog of a session without a host ends it as a normal close does.
set -u

fail() {
    echo "FAIL: $*" >&2
    [ -f "${WORK:-}/program.err" ] && { echo "--- program stderr:" >&2; tail -n 20 "$WORK/program.err" >&2; }
    exit 1
}
skip() {
    echo "SKIP: $*" >&2
    exit 77
}

: "${ORKAN_BIN:?}"
[ -x "$ORKAN_BIN" ] || fail "ORKAN_BIN does not name the program"
ldd "$ORKAN_BIN" 2>/dev/null | grep -q libQt6Widgets || skip "this build has no desktop program (built without Qt)"
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed (Debian package xvfb; 'make deps' installs it)"
command -v xdotool >/dev/null 2>&1 || fail "xdotool is not installed (Debian package xdotool; 'make deps' installs it)"

WORK=$(mktemp -d)
XVFB_PID="" PROGRAM_PID=""
cleanup() {
    for pid in "$PROGRAM_PID" "$XVFB_PID"; do
        [ -n "$pid" ] || continue
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

mkfifo "$WORK/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$WORK/displayfd" 2>"$WORK/xvfb.err" &
XVFB_PID=$!
read -r -t 20 DISPLAY_NUMBER <"$WORK/displayfd" || DISPLAY_NUMBER=""
if [ -z "$DISPLAY_NUMBER" ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
    cat "$WORK/xvfb.err" >&2
    skip "Xvfb could not start"
fi
export DISPLAY=":$DISPLAY_NUMBER"
unset WAYLAND_DISPLAY
mkdir -p "$WORK/bin" "$WORK/share/orkan3270" "$WORK/home" "$WORK/config" "$WORK/run"
chmod 700 "$WORK/run"
cp "$ORKAN_BIN" "$WORK/bin/orkan3270"

# run_until_window TITLE EXPECTED_STATUS PROGRAM [ARGS...]: starts the program, waits for a window
# of that title, sends SIGTERM and expects the program to end with that status within 5 seconds.
run_until_window() {
    local title=$1 expected=$2
    shift 2
    HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=xcb \
        "$@" >"$WORK/program.out" 2>"$WORK/program.err" &
    PROGRAM_PID=$!
    xdotool search --sync --onlyvisible --name "^$title\$" >/dev/null 2>&1 &
    local search=$!
    for _ in $(seq 200); do
        kill -0 "$search" 2>/dev/null || break
        sleep 0.05
    done
    kill "$search" 2>/dev/null && fail "no window \"$title\" was shown"
    wait "$search" 2>/dev/null
    kill -TERM "$PROGRAM_PID"
    for _ in $(seq 100); do
        kill -0 "$PROGRAM_PID" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$PROGRAM_PID" 2>/dev/null && fail "SIGTERM did not end the program while \"$title\" was shown"
    local status=0
    wait "$PROGRAM_PID" || status=$?
    PROGRAM_PID=""
    [ "$status" = "$expected" ] || fail "the program ended with status $status while \"$title\" was shown"
}

run_until_window "Orkan TN3270 Folder Error" 8 "$WORK/bin/orkan3270"
run_until_window "Session" 0 "$ORKAN_BIN"
echo PASS
