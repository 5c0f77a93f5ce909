#!/usr/bin/env bash
# The desktop program in a real X server (Xvfb): it starts, connects to testhost's demo, the
# logon panel is typed into with synthetic key events (xdotool, through the server's keyboard),
# Enter reaches the main menu, and a screenshot of the window is kept in the build folder.
set -u

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

: "${ORKAN_BIN:?}" "${TESTHOST_BIN:?}" "${ORKAN_BINARY_DIR:?}"
[ -x "$ORKAN_BIN" ] || fail "ORKAN_BIN does not name the program"
ldd "$ORKAN_BIN" 2>/dev/null | grep -q libQt6Widgets || skip "this build has no desktop program (built without Qt)"
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed (Debian package xvfb; 'make deps' installs it)"
command -v xdotool >/dev/null 2>&1 || fail "xdotool is not installed (Debian package xdotool; 'make deps' installs it)"

WORK=$(mktemp -d)
XVFB_PID="" HOST_PID="" PROGRAM_PID=""
cleanup() {
    for pid in "$PROGRAM_PID" "$HOST_PID" "$XVFB_PID"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
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

# A server on a display number of its own choosing (-displayfd), so parallel tests never collide.
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

"$TESTHOST_BIN" --port 0 --log "$WORK/host.log" >"$WORK/host.out" 2>"$WORK/host.err" &
HOST_PID=$!
waitfor 30 test -s "$WORK/host.out" || fail "testhost did not start: $(cat "$WORK/host.err")"
PORT=$(head -n 1 "$WORK/host.out")

# A home of its own: the program's folders, settings and runtime folder never touch the user's.
mkdir -p "$WORK/home" "$WORK/config" "$WORK/run"
chmod 700 "$WORK/run"
SHOT="$ORKAN_BINARY_DIR/desktop_logon.png"
rm -f "$SHOT"
HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=xcb \
ORKAN_SCREEN_TEXT="$WORK/screen.txt" ORKAN_SCREENSHOT="$WORK/shot.png" \
    "$ORKAN_BIN" --host "127.0.0.1:$PORT" >"$WORK/program.out" 2>"$WORK/program.err" &
PROGRAM_PID=$!

screen_has() { [ -f "$WORK/screen.txt" ] && grep -q "$1" "$WORK/screen.txt"; }
waitfor 30 screen_has "User id" || fail "the logon panel did not arrive"
WINDOW=$(xdotool search --sync --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null | head -n 1)
[ -n "$WINDOW" ] || fail "no window of the program is shown"
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || xdotool windowfocus --sync "$WINDOW" || fail "cannot focus the window"

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
