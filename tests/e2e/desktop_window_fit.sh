#!/usr/bin/env bash
# The session window on a 1366x768 display (Xvfb): the window takes the sizes the user gives it;
# the alternate screens of models 5 and 4 keep the window inside the display with every row,
# column and the status line shown, and back at the default size the window has the size the user
# gave it; a larger font takes the window with it. Screenshots go to the build folder's
# screenshots/. (The status line's text whole at every size: tests/gui/terminal_widgets_test.cpp;
# dialogs within the work area with their buttons: tests/gui/dialogs_test.cpp.)
source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool python3
: "${ORKAN_BINARY_DIR:?}"
SHOTS="$ORKAN_BINARY_DIR/screenshots"
mkdir -p "$SHOTS"
start_xvfb 1366x768
start_host --app "$(dirname "$0")/lib/desktop_corners.app"

# run_model MODEL: the program on testhost with the probe's files in $WORK/MODEL/.
run_model() {
    OUT="$WORK/model$1"
    mkdir -p "$OUT"
    ORKAN_SCREEN_TEXT="$OUT/screen.txt" ORKAN_SCREENSHOT="$OUT/shot.png" ORKAN_LAYOUT_REPORT="$OUT/layout.txt" \
        start_program --host "127.0.0.1:$PORT" --model "$1"
    waitfor 30 screen_has "Default size" || fail "model $1: the first screen did not arrive"
    waitfor 10 test -s "$OUT/shot.png" || fail "model $1: no screenshot of the first screen"
    WINDOW=$(focus_window "$PROGRAM_PID") || fail "model $1: the window cannot be focused"
}
screen_has() { [ -f "$OUT/screen.txt" ] && grep -q "$1" "$OUT/screen.txt"; }
# press KEY...: keys whose answer is a screen that unlocks the keyboard; waits for its picture.
press() {
    rm -f "$OUT/shot.png" "$OUT/layout.txt"
    xdotool key --delay 60 "$@"
    waitfor 20 test -s "$OUT/shot.png" || fail "no new screen after $*"
}
client_size() { awk '$1 == "client" { print $4 "x" $5 }' "$OUT/layout.txt"; }

# --- model 5: the first-run window, two sizes of the user, the 27x132 screen
run_model 5
cp "$OUT/shot.png" "$SHOTS/first_run_window.png"
png_check on-screen "$OUT/layout.txt"
FIRST=$(client_size)
for size in "640 420" "500 330"; do
    xdotool windowsize "$WINDOW" $size
    sleep 0.5
    press Control_R  # Enter, which the host answers with the same screen
    [ "$(client_size)" = "${size/ /x}" ] || fail "the window is $(client_size), not ${size/ /x}"
done
xdotool windowsize "$WINDOW" ${FIRST/x/ }
sleep 0.5
press Control_R
USER_SIZE=$(client_size)

press F1  # PF1: the alternate size
waitfor 10 screen_has "BOTTOM" || fail "the 27x132 screen did not arrive"
grep -q "^size 27 132" "$OUT/layout.txt" || fail "not a 27x132 screen: $(grep size "$OUT/layout.txt")"
cp "$OUT/shot.png" "$SHOTS/model5_1366x768.png"
png_check on-screen "$OUT/layout.txt"
png_check corners "$OUT/shot.png" "$OUT/layout.txt"
press F2  # back to the default size: the window the user had comes back
[ "$(client_size)" = "$USER_SIZE" ] || fail "back at the default size the window is $(client_size), not $USER_SIZE"
png_check on-screen "$OUT/layout.txt"

# Font > Larger Font: the window grows with the font, nothing is cut off, and a resize by the
# window system keeps the font the step made.
CELL=$(awk '$1 == "cell" { print $2 "x" $3 }' "$OUT/layout.txt")
xdotool key --delay 300 alt+n l
sleep 0.5
press Control_R
[ "$(awk '$1 == "cell" { print $2 "x" $3 }' "$OUT/layout.txt")" != "$CELL" ] || fail "Larger Font left the cell at $CELL"
[ "$(client_size)" != "$USER_SIZE" ] || fail "the window did not follow the larger font"
png_check on-screen "$OUT/layout.txt"

end_program

# --- model 4: 43x80, taller than the display at the first-run font
run_model 4
press F1
waitfor 10 screen_has "BOTTOM" || fail "the 43x80 screen did not arrive"
grep -q "^size 43 80" "$OUT/layout.txt" || fail "not a 43x80 screen: $(grep size "$OUT/layout.txt")"
cp "$OUT/shot.png" "$SHOTS/model4_1366x768.png"
png_check on-screen "$OUT/layout.txt"
png_check corners "$OUT/shot.png" "$OUT/layout.txt"
end_program
echo "PASS (screenshots in $SHOTS)"
