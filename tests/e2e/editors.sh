#!/usr/bin/env bash
# The editors under Xvfb. The keyboard editor: on a key map whose right Ctrl does nothing, the
# editor chooses right Ctrl by its press, assigns Enter from the function search and saves the map;
# the program started again sends Enter for right Ctrl on testhost's logon panel. The tool bar and
# keypad editors: a new tool bar button that sends PF5 and a new keypad button that sends PF6 are
# made from the Options menu and saved; the program started again shows them, and a click on each
# sends its key to testhost.
source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
: "${ORKAN_BINARY_DIR:?}" "${ORKAN_SOURCE_DIR:?}"
source "$(dirname "$0")/lib/editors_lib.sh"
start_xvfb
start_host
prepare_session keys keyboardfile=plain.key
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
waitfor 30 has "$WORK/host.log" 'INPUT AID=pa1' || fail "PA1 did not reach the host"
has "$WORK/host.log" 'INPUT AID=enter' && fail "right Ctrl sent Enter before the key map said so"

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
waitfor 30 has "$WORK/host.log" 'INPUT AID=enter' || fail "right Ctrl did not send Enter after the program started again"
end_program

prepare_session buttons toolbarfile=mine.bar keypadfile=mine.pad
# A short tool bar, so that every button stays in view on the narrow window.
printf 'grid\t3\t1\nbutton\t0\t0\t1\t1\tA:Enter\tEnter\nbutton\t1\t0\t1\t1\tO:ShowKeyPad\tKeypad\n' >"$WORK/mine_bar.tsv"
"$ORKAN_BINARY_DIR/orkan_gen_data" buttons "$ORKAN_SOURCE_DIR/data/key_functions.tsv" bar "$WORK/mine_bar.tsv" \
    "$APPDATA/mine.bar" >/dev/null || fail "could not write mine.bar"
cp "$APPDATA/standard.pad" "$APPDATA/mine.pad"

# add_button MNEMONIC TITLE FUNCTION LABEL FILE: a button after the first, its function found by
# name, its label typed, saved with Ctrl+S.
add_button() {
    open_editor "$1" "$2"
    xdotool key alt+d
    xdotool type --delay 40 "$3"
    xdotool key Return alt+e ctrl+a
    xdotool type --delay 40 "$4"
    cp "$APPDATA/$5" "$WORK/$5.before"
    xdotool key ctrl+s
    waitfor 10 saved_differs "$APPDATA/$5" "$WORK/$5.before" || fail "$2 did not save $5"
    close_editor "$2"
}

start_session buttons
add_button t "ToolBar Edit" PF5 Five mine.bar
add_button p "KeyPad Edit" PF6 Six mine.pad
end_program

start_session buttons
click_button toolbutton Five
waitfor 30 has "$WORK/host.log" 'INPUT AID=pf5' || fail "the tool bar's new button did not send PF5"
click_button toolbutton Keypad
click_button padbutton Six
waitfor 30 has "$WORK/host.log" 'INPUT AID=pf6' || fail "the keypad's new button did not send PF6"
end_program
echo "PASS"
