#!/usr/bin/env bash
# The desktop program's clipboard is the X server's: text another program (xclip) puts on the
# clipboard is pasted with the mapped Paste key (Ctrl+V) into the logon panel's user id field and
# reaches testhost with Enter; a rectangle dragged with the mouse over the main menu and copied
# with the mapped Copy key (Ctrl+C) is read back by xclip as UTF-8 lines ending in LF.
set -u

source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool xclip
start_xvfb
start_host
prepare_home
ORKAN_SCREEN_TEXT="$WORK/screen.txt" start_program --host "127.0.0.1:$PORT"

clipboard() { timeout 5 xclip -selection clipboard -o 2>/dev/null; }
clipboard_is() { [ "$(clipboard)" = "$1" ]; }

waitfor 30 screen_has "User id" || fail "the logon panel did not arrive"
WINDOW=$(focus_window "$PROGRAM_PID") || fail "cannot focus the window"

# Another program owns the clipboard (xclip in the foreground, so it can be ended); the user id
# field holds the cursor.
printf 'alice' >"$WORK/paste.txt"
xclip -quiet -selection clipboard -i "$WORK/paste.txt" >/dev/null 2>&1 &
XCLIP_PID=$!
track "$XCLIP_PID"
waitfor 10 clipboard_is "alice" || fail "xclip did not take the clipboard"
xdotool key ctrl+v
xdotool key --delay 40 Tab
xdotool type --delay 40 "s3cret"
xdotool key Control_R
waitfor 30 screen_has "MAIN MENU" || fail "Enter did not reach the main menu: $(cat "$WORK/screen.txt")"
grep -q 'FIELD userid .*"alice"' "$WORK/host.log" || fail "the pasted user id did not reach the host"
kill "$XCLIP_PID" 2>/dev/null
wait "$XCLIP_PID" 2>/dev/null
XCLIP_PID=""

# A drag across the middle of the window: rows of the menu's list whatever the font's size.
eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
X1=$((WIDTH * 5 / 100)) Y1=$((HEIGHT * 30 / 100))
X2=$((WIDTH * 95 / 100)) Y2=$((HEIGHT * 45 / 100))
xdotool mousemove --window "$WINDOW" "$X1" "$Y1"
sleep 0.1
xdotool mousedown 1
for step in 1 2 3 4; do
    xdotool mousemove --window "$WINDOW" $((X1 + (X2 - X1) * step / 4)) $((Y1 + (Y2 - Y1) * step / 4))
    sleep 0.05
done
xdotool mouseup 1
xdotool key ctrl+c
copied() { clipboard | grep -qE 'Read|Query|SSCP|BIND|Dynamic|Large|Data entry|Responses'; }
waitfor 10 copied || fail "the selection did not reach the X clipboard: '$(clipboard)'"
clipboard >"$WORK/copied.txt"
LINES=$(wc -l <"$WORK/copied.txt")
[ "$LINES" -ge 1 ] || fail "the copy is a single row: '$(cat "$WORK/copied.txt")'"
grep -q $'\r' "$WORK/copied.txt" && fail "the clipboard text has CR line ends"
# Every copied row is a piece of its row on the screen.
while IFS= read -r line; do
    line="${line%"${line##*[! ]}"}"
    grep -qF -- "$line" "$WORK/screen.txt" || fail "the copied row '$line' is not on the screen"
done <"$WORK/copied.txt"

kill -TERM "$PROGRAM_PID"
STATUS=0
wait "$PROGRAM_PID" || STATUS=$?
PROGRAM_PID=""
[ "$STATUS" = 0 ] || fail "the program ended with status $STATUS"
echo "PASS"
