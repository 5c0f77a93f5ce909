#!/usr/bin/env bash
# A macro's file transfers in the desktop program under Xvfb: RECEIVEFILE of a large host file shows
# the "Receive File from Host" dialog while the macro waits for the end, the dialog goes when the
# host says complete and the macro goes on with 0; a transfer the host refuses gives 1 and a
# message box that says why, after which the macro goes on.
set -u

source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
start_xvfb

mkdir -p "$WORK/hostfiles/tso" "$WORK/pc"
printf 'ORKUSER.BIG.TEXT VB 255 27998\n' >"$WORK/hostfiles/tso/catalog.txt"
for i in $(seq 1 5000); do printf 'line %06d of the big file, sent slowly\n' "$i"; done \
    >"$WORK/hostfiles/tso/ORKUSER.BIG.TEXT.txt"
start_testhost --transfer tso --transfer-files "$WORK/hostfiles" --fault slow=20
prepare_home

cat >"$WORK/get.mac" <<EOF
WAIT(20, ONSCREEN("READY"))
RC = RECEIVEFILE("BIG.TEXT", "$WORK/pc/big.txt", "TEXT", "TSO")
H = OPEN("$WORK/pc/first.txt", "OUTPUT")
PUT(H, "result " + STR(RC))
CLOSE(H)
RC = RECEIVEFILE("NO.SUCH.DATA", "$WORK/pc/none.txt", "TEXT", "TSO")
H = OPEN("$WORK/pc/second.txt", "OUTPUT")
PUT(H, "result " + STR(RC))
CLOSE(H)
EOF
HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=xcb \
    "$ORKAN_BIN" --host "127.0.0.1:$PORT" --macro "$WORK/get.mac" >"$WORK/program.out" 2>"$WORK/program.err" &
PROGRAM_PID=$!
track "$PROGRAM_PID"

dialog_shown() { xdotool search --onlyvisible --name "Receive File from Host" >/dev/null 2>&1; }
dialog_gone() { ! dialog_shown; }
has() { grep -q -- "$2" "$1" 2>/dev/null; }

waitfor 30 dialog_shown || fail "the macro's transfer was not shown in the transfer dialog"
[ -f "$WORK/pc/first.txt" ] && fail "the macro went on before its transfer ended"
waitfor 60 test -s "$WORK/pc/first.txt" || fail "the macro did not go on after its transfer"
has "$WORK/pc/first.txt" "result 0" || fail "RECEIVEFILE gave $(cat "$WORK/pc/first.txt")"
cmp -s "$WORK/hostfiles/tso/ORKUSER.BIG.TEXT.txt" "$WORK/pc/big.txt" ||
    fail "the received file differs from the host's"
has "$WORK/config/orkan3270/transfer.log" "File transfer complete - " || fail "the log lacks the completion"

# The refused transfer: its reason in a message box, then the macro goes on with 1.
box_shown() { xdotool search --onlyvisible --name "Orkan TN3270 File Transfer Error" >/dev/null 2>&1; }
waitfor 30 box_shown || fail "no message said why the second transfer failed"
[ -f "$WORK/pc/second.txt" ] && fail "the macro went on before the message was answered"
box=$(xdotool search --onlyvisible --name "Orkan TN3270 File Transfer Error" | head -n 1)
xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
xdotool key Return
waitfor 30 test -s "$WORK/pc/second.txt" || fail "the macro did not go on after the failed transfer"
has "$WORK/pc/second.txt" "result 1" || fail "RECEIVEFILE gave $(cat "$WORK/pc/second.txt")"
[ -e "$WORK/pc/none.txt" ] && fail "the failed download left a file"
waitfor 10 dialog_gone || fail "the transfer dialog stayed open"
end_program
echo "PASS"
