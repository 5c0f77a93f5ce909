#!/usr/bin/env bash
# Macros in the desktop program under Xvfb: the data-entry macro of the headless test logs on and
# fills in testhost's panel from the window; a macro looping without end keeps the window painting
# and is stopped by the Pause key. The time from the key's arrival to the macro letter gone from the
# status line is printed (the figure for a loaded machine is not asserted tightly).
set -u

source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
start_xvfb
start_testhost
prepare_home

# run_program NAME ARGS...: the desktop program with the trace on; PROGRAM_PID, $WORK/NAME.err.
run_program() {
    local name=$1
    shift
    HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=xcb \
    ORKAN_MACRO_TRACE=1 ORKAN_SCREEN_TEXT="$WORK/$name.screen" \
        "$ORKAN_BIN" --host "127.0.0.1:$PORT" "$@" >"$WORK/$name.out" 2>"$WORK/$name.err" &
    PROGRAM_PID=$!
    track "$PROGRAM_PID"
    ln -sf "$WORK/$name.err" "$WORK/program.err"  # what a failure shows
}
end_program() {
    kill -TERM "$PROGRAM_PID" 2>/dev/null
    local status=0
    wait "$PROGRAM_PID" || status=$?
    [ "$status" = 0 ] || fail "the program ended with status $status"
}
has() { grep -q -- "$2" "$1" 2>/dev/null; }

# --- the headless test's data-entry macro, given as a path
run_program entry --macro "$(cd "$(dirname "$0")" && pwd)/macro_entry.mac"
waitfor 60 has "$WORK/host.log" 'FIELD priority .*"H"' || fail "the macro did not send the panel"
waitfor 30 has "$WORK/entry.err" "macro letter gone" || fail "the macro letter never went away"
grep -q "status letter P" "$WORK/entry.err" || fail "the status line never showed the macro letter"
waitfor 30 has "$WORK/entry.screen" "MAIN MENU" || fail "the macro did not go back to the menu"
grep -q 'FIELD custname .*"ACME CORP"' "$WORK/host.log" || fail "the host did not get the customer name"
grep -q "Macro Error" "$WORK/entry.err" && fail "the macro reported an error"
end_program

# --- a loop without end; the Pause key stops it
run_program loop --run 'I = 0 ; WHILE 1 ; I = I + 1 ; ENDWHILE'
WINDOW=""
find_window() { WINDOW=$(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null | head -n 1); [ -n "$WINDOW" ]; }
waitfor 30 find_window || fail "no window of the program is shown"
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || xdotool windowfocus --sync "$WINDOW" || fail "cannot focus the window"
# The letter blinks: the status line is painted again and again while the loop runs.
painted() { [ "$(grep -c "status letter P" "$WORK/loop.err")" -ge 4 ]; }
waitfor 20 painted || fail "the status line was painted $(grep -c "status letter P" "$WORK/loop.err") times while the loop ran"
grep -q "macro letter gone" "$WORK/loop.err" && fail "the loop ended by itself"
sent=$(date +%s%N)
xdotool key Pause
waitfor 10 has "$WORK/loop.err" "macro letter gone" || fail "the Pause key did not stop the macro"
key_ns=$(sed -n 's/^orkan3270: trace \([0-9]*\) key Pause$/\1/p' "$WORK/loop.err" | head -n 1)
gone_ns=$(sed -n 's/^orkan3270: trace \([0-9]*\) macro letter gone$/\1/p' "$WORK/loop.err" | head -n 1)
[ -n "$key_ns" ] || fail "the program did not see the Pause key"
arrived_ms=$(((gone_ns - key_ns) / 1000000))
sent_ms=$(((gone_ns - sent) / 1000000))
echo "Pause to status letter gone: ${arrived_ms} ms from the key's arrival, ${sent_ms} ms from xdotool"
# Loosely: a turn of the loop is 20 ms; only a stuck loop takes seconds.
[ "$arrived_ms" -lt 2000 ] || fail "stopping took ${arrived_ms} ms"
stopped_box() { xdotool search --onlyvisible --name "^Macro Stopped$" >/dev/null 2>&1; }
waitfor 10 stopped_box || fail "no \"Macro Stopped\" message box"
xdotool key Return
waitfor 10 bash -c '! xdotool search --onlyvisible --name "^Macro Stopped$" >/dev/null 2>&1' ||
    fail "the message box did not close"
end_program

echo "PASS"
