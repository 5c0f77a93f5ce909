#!/usr/bin/env bash
# The transfer dialogs of the desktop program under Xvfb, against testhost's TSO transfer
# program: "Receive File from Host" opened from the Transfer menu receives a host file, logs
# the completion message and closes itself; closing the dialog of a large download to an existing
# file asks first, then cancels it and the old file stays as it was; a large upload from "Send File
# to Host" cancelled part way ends with a box saying the host file is incomplete. (What a cancel
# leaves on both sides: tests/transfer/faults_e2e_test.cpp.)
source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
start_xvfb

# A host file of many blocks, sent slowly enough to be cancelled part way.
mkdir -p "$WORK/hostfiles/tso"
printf 'ORKUSER.BIG.TEXT VB 255 27998\nORKUSER.SMALL.TEXT VB 255 27998\n' >"$WORK/hostfiles/tso/catalog.txt"
for i in $(seq 1 20000); do printf 'line %06d of the big file, long enough to fill the blocks\n' "$i"; done \
    >"$WORK/hostfiles/tso/ORKUSER.BIG.TEXT.txt"
printf 'first line\nsecond line\n' >"$WORK/hostfiles/tso/ORKUSER.SMALL.TEXT.txt"
start_host --transfer tso --transfer-files "$WORK/hostfiles" --fault slow=20
mkdir -p "$WORK/pc"
ORKAN_SCREEN_TEXT="$WORK/screen.txt" start_program --host "127.0.0.1:$PORT"
LOG="$WORK/config/orkan3270/transfer.log"

log_has() { [ -f "$LOG" ] && grep -q "$1" "$LOG"; }
dialog_gone() { not_shown "Receive File from Host"; }

waitfor 30 screen_has "READY" || fail "the READY screen did not arrive"
WINDOW=$(focus_window "$PROGRAM_PID") || fail "cannot focus the window"

# transfer LETTER TITLE FIRST TABS SECOND: the Transfer menu's dialog by its letter (DIALOG), FIRST
# typed into its first name, SECOND into the one TABS Tab presses on, then Return.
transfer() {
    focus "$WINDOW"
    xdotool key --delay 100 alt+t "$1"
    DIALOG=$(focus_shown "$2") || fail "the $2 dialog did not open"
    xdotool key ctrl+a
    xdotool type --delay 20 "$3"
    xdotool key $(printf 'Tab %.0s' $(seq "$4")) ctrl+a
    xdotool type --delay 20 "$5"
    xdotool key Return
}
receive() { transfer r "Receive File from Host" "$1" 1 "$2"; }

# A small file: complete, logged, and the dialog goes by itself with the host's next screen.
receive "small.text" "$WORK/pc/small.txt"
waitfor 30 log_has "File transfer complete - " || fail "no completion message in the log: $(cat "$LOG" 2>/dev/null)"
waitfor 10 dialog_gone || fail "the dialog stayed open after a complete transfer"
[ "$(cat "$WORK/pc/small.txt")" = "$(printf 'first line\nsecond line')" ] || fail "the received file differs"
log_has "Download small.text to " || fail "the start of the transfer is not in the log"

# A large download over an existing file, cancelled part way.
printf 'the old contents\n' >"$WORK/pc/big.txt"
receive "big.text" "$WORK/pc/big.txt"
waitfor 30 grep -q 'transfer: Insert record 5,' "$WORK/host.log" || fail "the large download did not get going"
focus_shown "Receive File from Host" >/dev/null
xdotool key Escape
waitfor 10 shown "File Transfer in Progress" || fail "closing did not ask first"
xdotool key Return
waitfor 30 log_has "Download cancelled at user request" || fail "the cancel is not in the log"
waitfor 10 dialog_gone || fail "the dialog stayed open after the cancel"
[ "$(cat "$WORK/pc/big.txt")" = "the old contents" ] || fail "the cancelled download changed the old file"
waitfor 30 screen_has "READY" || fail "the host's READY screen did not come back"

# A large upload from the Send dialog, cancelled part way: the box says the host file is incomplete.
cp "$WORK/hostfiles/tso/ORKUSER.BIG.TEXT.txt" "$WORK/pc/up.txt"
transfer s "Send File to Host" "$WORK/pc/up.txt" 2 new.text
waitfor 30 grep -q 'Get answered, record 5,' "$WORK/host.log" || fail "the upload did not get going"
focus "$DIALOG"
xdotool key Escape
waitfor 10 shown "File Transfer in Progress" || fail "closing did not ask first"
xdotool key Return
waitfor 30 shown "Orkan TN3270 File Transfer" || fail "no box said the host file is incomplete"
waitfor 10 log_has "the host file is incomplete" || fail "the log lacks the incomplete host file"

echo "PASS"
