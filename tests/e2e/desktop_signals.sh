#!/usr/bin/env bash
# The desktop program in Xvfb ends on SIGTERM whatever it is waiting for: a message box during
# start-up (a copy of the program beside an empty data folder finds none of its files) ends it
# without a session; the session dialog of a session without a host, and "Record a Macro" (a file
# dialog of Qt's own with a loop of its own) over a connected session, end it as a normal close does.
source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
CLEANUP_SIGNAL=KILL
# SIGKILL would end testhost's `timeout` and leave testhost running: the host goes first, by TERM.
trap 'stop_host; cleanup' EXIT
start_xvfb
mkdir -p "$WORK/bin" "$WORK/share/orkan3270"
cp "$ORKAN_BIN" "$WORK/bin/orkan3270"
cp "$(dirname "$ORKAN_BIN")/orkan3270-desktop" "$WORK/bin/orkan3270-desktop"

# run_until_window TITLE EXPECTED_STATUS PROGRAM [ARGS...]: starts the program, waits for a window
# of that title, sends SIGTERM and expects the program to end with that status within 5 seconds.
# With KEYS set, they are typed into the session's window once its first screen is shown.
run_until_window() {
    local title=$1 expected=$2
    shift 2
    rm -f "$WORK/screen.txt"
    ORKAN_BIN=$1 ORKAN_SCREEN_TEXT="$WORK/screen.txt" start_program "${@:2}"
    if [ -n "${KEYS:-}" ]; then
        waitfor 30 screen_has "User id" || fail "the session showed no screen to open \"$title\" from"
        focus_window "$PROGRAM_PID" >/dev/null || fail "cannot focus the session's window"
        # shellcheck disable=SC2086 # one key a word
        xdotool key --delay 80 $KEYS
    fi
    waitfor 10 shown "^$title\$" || fail "no window \"$title\" was shown"
    kill -TERM "$PROGRAM_PID"
    ended() { ! kill -0 "$PROGRAM_PID" 2>/dev/null; }
    waitfor 5 ended || fail "SIGTERM did not end the program while \"$title\" was shown"
    local status=0
    wait "$PROGRAM_PID" || status=$?
    PROGRAM_PID=""
    [ "$status" = "$expected" ] || fail "the program ended with status $status while \"$title\" was shown"
}

run_until_window "Orkan TN3270 Folder Error" 8 "$WORK/bin/orkan3270"
run_until_window "Session" 0 "$ORKAN_BIN"
start_host
KEYS="alt+m r" run_until_window "Record a Macro" 0 "$ORKAN_BIN" --host "127.0.0.1:$PORT"
echo PASS
