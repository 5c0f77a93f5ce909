#!/usr/bin/env bash
# The keyboard editor under Xvfb: on a key map whose right Ctrl does nothing, the editor chooses
# right Ctrl by its press, assigns Enter from the function search and saves the map; the program
# started again sends Enter for right Ctrl on testhost's logon panel.
set -u

source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
: "${ORKAN_BINARY_DIR:?}" "${ORKAN_SOURCE_DIR:?}"
source "$(dirname "$0")/lib/editors_lib.sh"
start_xvfb
start_host
prepare_home
prepare_appdata keys keyboardfile=plain.key
sed -E 's/^key\tRightCtrl\t.*/key\tRightCtrl\t-\t-\t-\t-/' "$ORKAN_SOURCE_DIR/data/standard_key.tsv" >"$WORK/plain.tsv"
"$ORKAN_BINARY_DIR/orkan_gen_data" key-map "$ORKAN_SOURCE_DIR/data/key_functions.tsv" "$WORK/plain.tsv" \
    "$APPDATA/plain.key" >/dev/null || fail "could not write plain.key"
cp "$APPDATA/plain.key" "$WORK/plain.key.before"

# The right Ctrl key by its keycode (evdev 97 + 8): xdotool gives the keysym Control_R the left
# key's keycode in some windows.
RIGHT_CTRL=105
start_session keys
# Right Ctrl sends nothing yet: PA1 after it is the first key the host hears.
xdotool key $RIGHT_CTRL Prior
waitfor 30 host_has 'INPUT AID=pa1' || fail "PA1 did not reach the host"
host_has 'INPUT AID=enter' && fail "right Ctrl sent Enter before the key map said so"

open_editor k "Keyboard Edit"
# The key pressed after "Press a key" is the one chosen.
xdotool key alt+p $RIGHT_CTRL
xdotool key alt+s
xdotool type --delay 40 "Enter"
xdotool key Return ctrl+s
waitfor 10 saved_differs "$APPDATA/plain.key" "$WORK/plain.key.before" || fail "the key map was not saved"
close_editor "Keyboard Edit"
end_program

start_session keys
xdotool key $RIGHT_CTRL
waitfor 30 host_has 'INPUT AID=enter' || fail "right Ctrl did not send Enter after the program started again"
end_program
echo "PASS"
