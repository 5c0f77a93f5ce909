#!/usr/bin/env bash
# A macro's file transfers in the desktop program under Xvfb, in both languages: RECEIVEFILE of a
# large host file shows the "Receive File from Host" dialog while the macro waits for the end, the
# macro goes on with 0 when the host says complete. Then in the macro language a transfer the host
# refuses gives 1 and a message box that says why, after which the macro goes on; in REXX the file
# is sent back up with 0.
set -u

source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
start_xvfb

mkdir -p "$WORK/hostfiles/tso" "$WORK/pc"
printf 'ORKUSER.BIG.TEXT VB 255 27998\n' >"$WORK/hostfiles/tso/catalog.txt"
for i in $(seq 1 5000); do printf 'line %06d of the big file, sent slowly\n' "$i"; done \
    >"$WORK/hostfiles/tso/ORKUSER.BIG.TEXT.txt"
start_host --transfer tso --transfer-files "$WORK/hostfiles" --fault slow=20
prepare_home

cat >"$WORK/macro.mac" <<MAC
WAIT(20, ONSCREEN("READY"))
RC = RECEIVEFILE("BIG.TEXT", "$WORK/pc/big.txt", "TEXT", "TSO")
H = OPEN("$WORK/pc/first.txt", "OUTPUT")
PUT(H, "result " + STR(RC))
CLOSE(H)
RC = RECEIVEFILE("NO.SUCH.DATA", "$WORK/pc/none.txt", "TEXT", "TSO")
H = OPEN("$WORK/pc/second.txt", "OUTPUT")
PUT(H, "result " + STR(RC))
CLOSE(H)
MAC
cat >"$WORK/rexx.mac" <<MAC
/* REXX: a large file down, then up again */
call wait 20, "onscreen('READY')"
r.0 = 1
r.1 = 'result' receivefile('BIG.TEXT', '$WORK/pc/big.txt', 'TEXT', 'TSO')
'EXECIO * DISKW "$WORK/pc/first.txt" (STEM R.'
call wait 20, "onscreen('READY')"
r.1 = 'result' sendfile('$WORK/pc/big.txt', 'COPY.TEXT', 'TEXT', 'TSO')
'EXECIO * DISKW "$WORK/pc/second.txt" (STEM R.'
MAC

for language in macro rexx; do
    rm -f "$WORK/pc/"* "$WORK/config/orkan3270/transfer.log"
    PROGRAM_LOG=$language start_program --host "127.0.0.1:$PORT" --macro "$WORK/$language.mac"
    waitfor 30 shown "Receive File from Host" || fail "$language: the transfer was not shown in the transfer dialog"
    [ -f "$WORK/pc/first.txt" ] && fail "$language: the macro went on before its transfer ended"
    waitfor 120 test -s "$WORK/pc/first.txt" || fail "$language: the macro did not go on after its transfer"
    has "$WORK/pc/first.txt" "result 0" || fail "$language: RECEIVEFILE gave $(cat "$WORK/pc/first.txt")"
    cmp -s "$WORK/hostfiles/tso/ORKUSER.BIG.TEXT.txt" "$WORK/pc/big.txt" ||
        fail "$language: the received file differs from the host's"
    has "$WORK/config/orkan3270/transfer.log" "File transfer complete - " || fail "the log lacks the completion"

    if [ "$language" = macro ]; then
        # The refused transfer: its reason in a message box, then the macro goes on with 1.
        waitfor 30 shown "Orkan TN3270 File Transfer Error" || fail "no message said why the second transfer failed"
        [ -f "$WORK/pc/second.txt" ] && fail "the macro went on before the message was answered"
        focus_shown "Orkan TN3270 File Transfer Error" >/dev/null
        xdotool key Return
        waitfor 30 test -s "$WORK/pc/second.txt" || fail "the macro did not go on after the failed transfer"
        has "$WORK/pc/second.txt" "result 1" || fail "RECEIVEFILE gave $(cat "$WORK/pc/second.txt")"
        [ -e "$WORK/pc/none.txt" ] && fail "the failed download left a file"
    else
        waitfor 120 test -s "$WORK/pc/second.txt" || fail "the REXX macro did not get to its end"
        has "$WORK/pc/second.txt" "result 0" || fail "sendfile gave $(cat "$WORK/pc/second.txt")"
    fi
    waitfor 10 eval '! shown "Receive File from Host"' || fail "$language: the transfer dialog stayed open"
    end_program
done
echo "PASS"
