#!/usr/bin/env bash
# REXX macros in the desktop program under Xvfb: the headless test's REXX data-entry macro logs on
# and fills in testhost's panel from the window; a REXX loop without end keeps the window painting
# and is stopped by the Pause key. The time from the key's arrival to the macro letter gone is
# printed (asserted only loosely: the machine may be loaded).
set -u

source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
start_xvfb
start_testhost
prepare_home

run_program() {
    local name=$1
    shift
    HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=xcb \
    ORKAN_MACRO_TRACE=1 ORKAN_SCREEN_TEXT="$WORK/$name.screen" \
        "$ORKAN_BIN" --host "127.0.0.1:$PORT" "$@" >"$WORK/$name.out" 2>"$WORK/$name.err" &
    PROGRAM_PID=$!
    track "$PROGRAM_PID"
    ln -sf "$WORK/$name.err" "$WORK/program.err"
}
end_program() {
    kill -TERM "$PROGRAM_PID" 2>/dev/null
    local status=0
    wait "$PROGRAM_PID" || status=$?
    [ "$status" = 0 ] || fail "the program ended with status $status"
}
has() { grep -q -- "$2" "$1" 2>/dev/null; }

# --- the REXX data-entry macro
run_program entry --macro "$(cd "$(dirname "$0")" && pwd)/rexx_entry.mac"
waitfor 60 has "$WORK/host.log" 'FIELD priority .*"H"' || fail "the macro did not send the panel"
waitfor 30 has "$WORK/entry.err" "macro letter gone" || fail "the macro letter never went away"
grep -q "status letter P" "$WORK/entry.err" || fail "the status line never showed the macro letter"
grep -q 'FIELD custname .*"ACME CORP"' "$WORK/host.log" || fail "the host did not get the customer name"
end_program

# --- a REXX loop without end; the Pause key stops it
mkdir -p "$WORK/macros"
printf '/* REXX */\ni = 0\ndo forever\n  i = i + 1\nend\n' >"$WORK/macros/loop.mac"
run_program loop --macro "$WORK/macros/loop.mac"
WINDOW=""
find_window() { WINDOW=$(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null | head -n 1); [ -n "$WINDOW" ]; }
waitfor 30 find_window || fail "no window of the program is shown"
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || xdotool windowfocus --sync "$WINDOW" || fail "cannot focus the window"
painted() { [ "$(grep -c "status letter P" "$WORK/loop.err")" -ge 4 ]; }
waitfor 20 painted || fail "the status line was painted $(grep -c "status letter P" "$WORK/loop.err") times while the loop ran"
grep -q "macro letter gone" "$WORK/loop.err" && fail "the loop ended by itself"
xdotool key Pause
waitfor 10 has "$WORK/loop.err" "macro letter gone" || fail "the Pause key did not stop the REXX macro"
key_ns=$(sed -n 's/^orkan3270: trace \([0-9]*\) key Pause$/\1/p' "$WORK/loop.err" | head -n 1)
gone_ns=$(sed -n 's/^orkan3270: trace \([0-9]*\) macro letter gone$/\1/p' "$WORK/loop.err" | head -n 1)
[ -n "$key_ns" ] || fail "the program did not see the Pause key"
arrived_ms=$(((gone_ns - key_ns) / 1000000))
echo "Pause to the REXX macro's letter gone: ${arrived_ms} ms from the key's arrival"
[ "$arrived_ms" -lt 2000 ] || fail "stopping took ${arrived_ms} ms"
stopped_box() { xdotool search --onlyvisible --name "^Macro Stopped$" >/dev/null 2>&1; }
waitfor 10 stopped_box || fail "no \"Macro Stopped\" message box"
xdotool key Return
end_program

echo "PASS"
