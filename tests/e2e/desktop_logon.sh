#!/usr/bin/env bash
# The desktop program in a real X server (Xvfb): it starts and connects to testhost's demo; text
# another program (xclip) puts on the X clipboard is pasted with the mapped Paste key (Ctrl+V) into
# the logon panel's user id field, the password is typed with synthetic key events (xdotool, through
# the server's keyboard), Enter reaches the main menu; a rectangle dragged with the mouse over the
# main menu and copied with the mapped Copy key (Ctrl+C) is read back by xclip as UTF-8 lines
# ending in LF; F3 logs off. (The window's screenshot: desktop_window_fit.sh.)
source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool xclip
start_xvfb
start_host
start_at_logon --host "127.0.0.1:$PORT"
clipboard() { timeout 5 xclip -selection clipboard -o 2>/dev/null; }
clipboard_is() { [ "$(clipboard)" = "$1" ]; }

# Another program owns the clipboard (xclip in the foreground, so it can be ended); the user id
# field holds the cursor, Tab goes to the password (a non-display field).
printf 'alice' | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
XCLIP_PID=$!
track "$XCLIP_PID"
waitfor 10 clipboard_is "alice" || fail "xclip did not take the clipboard"
xdotool key ctrl+v
xdotool key --delay 40 Tab
xdotool type --delay 40 "s3cret"
# Enter is the right Ctrl key alone, on its release: only the program's key map makes it Enter.
xdotool key Control_R
waitfor 30 screen_has "MAIN MENU" || fail "Enter did not reach the main menu: $(cat "$WORK/screen.txt")"
grep -q 'FIELD userid .*"alice"' "$WORK/host.log" || fail "the pasted user id did not reach the host"
grep -q 'FIELD password .*"s3cret"' "$WORK/host.log" || fail "the host did not receive the password"
grep -q "s3cret" "$WORK/screen.txt" && fail "the password shows on the screen"
kill "$XCLIP_PID" 2>/dev/null
wait "$XCLIP_PID" 2>/dev/null

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
[ "$(wc -l <"$WORK/copied.txt")" -ge 1 ] || fail "the copy is a single row: '$(cat "$WORK/copied.txt")'"
grep -q $'\r' "$WORK/copied.txt" && fail "the clipboard text has CR line ends"
# Every copied row is a piece of its row on the screen.
while IFS= read -r line; do
    line="${line%"${line##*[! ]}"}"
    grep -qF -- "$line" "$WORK/screen.txt" || fail "the copied row '$line' is not on the screen"
done <"$WORK/copied.txt"

# F3 is PF3 in the key map: the demo logs off and shows the logon panel again.
xdotool key F3
waitfor 30 screen_has "Logged off" || fail "F3 did not log off: $(cat "$WORK/screen.txt")"
# SIGTERM ends the session as a close from another session does: no question, exit status 0.
end_program
echo "PASS"
