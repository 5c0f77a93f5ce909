#!/usr/bin/env bash
# The tool bar and keypad editors under Xvfb: a new tool bar button that sends PF5 and a new keypad
# button that sends PF6 are made from the Options menu and saved; the program started again shows
# them, and a click on each sends its key to testhost.
set -u

source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
: "${ORKAN_BINARY_DIR:?}" "${ORKAN_SOURCE_DIR:?}"
source "$(dirname "$0")/lib/editors_lib.sh"
start_xvfb
start_host
prepare_home
prepare_appdata buttons toolbarfile=mine.bar keypadfile=mine.pad
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
waitfor 30 host_has 'INPUT AID=pf5' || fail "the tool bar's new button did not send PF5"
click_button toolbutton Keypad
click_button padbutton Six
waitfor 30 host_has 'INPUT AID=pf6' || fail "the keypad's new button did not send PF6"
end_program
echo "PASS"
