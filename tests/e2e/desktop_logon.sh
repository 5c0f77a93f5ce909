#!/usr/bin/env bash
# The desktop program in a real X server (Xvfb): it starts, connects to testhost's demo, the
# logon panel is typed into with synthetic key events (xdotool, through the server's keyboard),
# Enter reaches the main menu, and a screenshot of the window is kept in the build folder.
set -u

source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
: "${ORKAN_BINARY_DIR:?}"
start_xvfb
start_host
prepare_home
SHOT="$ORKAN_BINARY_DIR/desktop_logon.png"
rm -f "$SHOT"
ORKAN_SCREEN_TEXT="$WORK/screen.txt" ORKAN_SCREENSHOT="$WORK/shot.png" \
    start_program --host "127.0.0.1:$PORT"

waitfor 30 screen_has "User id" || fail "the logon panel did not arrive"
WINDOW=$(focus_window "$PROGRAM_PID") || fail "cannot focus the window"

# The user id field holds the cursor; Tab goes to the password (a non-display field).
xdotool type --delay 40 "alice"
xdotool key --delay 40 Tab
xdotool type --delay 40 "s3cret"
# Enter is the right Ctrl key alone, on its release: only the program's key map makes it Enter.
xdotool key Control_R
waitfor 30 screen_has "MAIN MENU" || fail "Enter did not reach the main menu: $(cat "$WORK/screen.txt")"
grep -q 'INPUT AID=enter' "$WORK/host.log" || fail "the host did not receive Enter"
grep -q 'FIELD userid .*"alice"' "$WORK/host.log" || fail "the host did not receive the user id"
grep -q 'FIELD password .*"s3cret"' "$WORK/host.log" || fail "the host did not receive the password"
grep -q 'SEND .*\[screen menu\]' "$WORK/host.log" || fail "the host did not send its menu"
grep -q "s3cret" "$WORK/screen.txt" && fail "the password shows on the screen"

# The screenshot taken after the menu unlocked the keyboard.
is_png() { [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; }
menu_shot() { [ -s "$WORK/shot.png" ] && ! [ "$WORK/shot.png" -ot "$WORK/screen.txt" ] && is_png "$WORK/shot.png"; }
waitfor 10 menu_shot || fail "no screenshot was written"
cp "$WORK/shot.png" "$SHOT"
SIZE=$(stat -c %s "$SHOT")
[ "$SIZE" -gt 2000 ] || fail "the screenshot is too small to show a screen ($SIZE bytes)"

# F3 is PF3 in the key map: the demo logs off and shows the logon panel again.
xdotool key F3
waitfor 30 screen_has "Logged off" || fail "F3 did not log off: $(cat "$WORK/screen.txt")"
grep -q 'INPUT AID=pf3' "$WORK/host.log" || fail "the host did not receive PF3"

# SIGTERM ends the session as a close from another session does: no question, exit status 0.
kill -TERM "$PROGRAM_PID"
STATUS=0
wait "$PROGRAM_PID" || STATUS=$?
PROGRAM_PID=""
[ "$STATUS" = 0 ] || fail "the program ended with status $STATUS"
echo "PASS (screenshot: $SHOT)"
