#!/usr/bin/env bash
# The transfer program's host side as s3270 sees it: records (APPEND, fixed records, a record
# too long), host files written back to a folder and read again by a new host, the paged list
# screens the list macros read, an unknown option, screen-frame mode with a client that does
# not answer it, and the transfer faults.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/s3270_lib.sh"
require_peers


# session SYSTEM [host options]: a fresh host and s3270 at its READY screen.
session() {
    local system=$1
    shift
    start_host --once --transfer "$system" "$@"
    s3_start -model 3279-2-E
    s3_must "Connect(127.0.0.1:$PORT)" "Wait(10,InputField)"
}
finish() {
    s3 "Disconnect()" || true
    quit_s3
    wait_host
}
expect_message() {
    local got
    got=$(last_message)
    [ "$got" = "$1" ] || fail "expected '$1', the screen shows '$got'"
}
command() {
    s3_must "String(\"$1\")" "Enter()" "Wait(10,Unlock)"
}

printf 'first line\nsecond line\n' >"$WORK/a.txt"
printf 'third line\n' >"$WORK/b.txt"
printf 'first line\nsecond line\nthird line\n' >"$WORK/ab.txt"
head -c 70000 /dev/urandom >"$WORK/bin"
awk 'BEGIN { s = ""; for (i = 0; i < 300; i++) s = s "x"; print s }' >"$WORK/long.txt"
put="Direction=send,Host=tso,Mode=ascii,Cr=add"
get="Direction=receive,Host=tso,Mode=ascii,Cr=remove"

# Records: APPEND adds to the data set; fixed records come back without their padding; a line
# longer than LRECL is refused and leaves nothing behind.
session tso
s3_must "Transfer($put,HostFile=ab.text,LocalFile=$WORK/a.txt)"
s3_must "Transfer($put,HostFile=ab.text,LocalFile=$WORK/b.txt,Exist=append)"
s3_must "Transfer($get,HostFile=ab.text,LocalFile=$WORK/back)"
cmp -s "$WORK/ab.txt" "$WORK/back" || fail "APPEND: $(cat "$WORK/back")"
s3_must "Transfer($put,HostFile=fixed.text,LocalFile=$WORK/ab.txt,Recfm=fixed,Lrecl=80,Blksize=800)"
rm -f "$WORK/back"
s3_must "Transfer($get,HostFile=fixed.text,LocalFile=$WORK/back)"
cmp -s "$WORK/ab.txt" "$WORK/back" || fail "fixed records: $(cat "$WORK/back")"
command "LISTDS FIXED.TEXT"
screen_has "  F     80    800     PS"
s3_must "Transfer($put,HostFile=long.text,LocalFile=$WORK/long.txt)"
expect_message "TRANS15 - Record 1 is 300 bytes, longer than LRECL allows (251)"
command "LISTCAT LEVEL(ORKUSER.LONG)"
screen_has "IDC3012I ENTRY ORKUSER.LONG NOT FOUND"
finish

# Written back: a second host on the same folder serves what the first one received.
session tso --transfer-files "$WORK/hostfiles"
[ -f "$WORK/hostfiles/tso/ORKUSER.HELLO.TEXT.txt" ] || fail "the new folder did not get the sample files"
s3_must "Transfer($put,HostFile=kept.text,LocalFile=$WORK/ab.txt)"
s3_must "Transfer(Direction=send,Host=tso,Mode=binary,HostFile=kept.bin,LocalFile=$WORK/bin)"
finish
grep -q '^ORKUSER.KEPT.TEXT VB 255 ' "$WORK/hostfiles/tso/catalog.txt" || fail "catalog: $(cat "$WORK/hostfiles/tso/catalog.txt")"
[ "$(cat "$WORK/hostfiles/tso/ORKUSER.KEPT.TEXT.txt")" = "$(cat "$WORK/ab.txt")" ] || fail "the text data set was not written back as text"
[ -f "$WORK/hostfiles/tso/ORKUSER.KEPT.BIN.bin" ] || fail "the binary data set was not written back"
session tso --transfer-files "$WORK/hostfiles"
rm -f "$WORK/back"
s3_must "Transfer(Direction=receive,Host=tso,Mode=binary,HostFile=kept.bin,LocalFile=$WORK/back)"
cmp -s "$WORK/bin" "$WORK/back" || fail "the binary data set did not survive a restart"
finish

# List screens: LISTCAT and LISTDS ... MEMBERS page with " ***", CMS LISTFILE with MORE...
session tso
command "LISTCAT"
screen_has "NONVSAM ------- ORKUSER.#WORK.FILE"
screen_has " ***"
s3_must "Enter()" "Wait(10,Unlock)"
screen_has "NONVSAM ------- ORKUSER.SOURCE.CNTL"
screen_has "READY"
command "LISTDS SOURCE.CNTL MEMBERS"
screen_has "--MEMBERS--"
screen_has "  \$README"
screen_has "  #JOB1"
screen_has "  @PROC"
s3_must "Enter()" "Wait(10,Unlock)"
screen_has "  MEMBER22"
finish
session cms
command "LISTFILE * * A"
screen_has "\$ORKAN   DATA     A1"
screen_has "MORE..."
s3_must "Clear()" "Wait(10,Unlock)"
screen_has "PROFILE  EXEC     A1"
screen_has "Ready;"
finish

# An option the host does not know, typed by hand: s3270 is not in a transfer, so it does not
# take the message; the host gives up waiting and shows it.
session tso --reply-timeout 1
command "IND\$FILE GET HELLO.TEXT ASCII BOGUS"
screen_has "TRANS17 - Invalid option: BOGUS"
finish

# Screen frames: s3270 does not answer them; the host gives up and unlocks the keyboard.
session cms --transfer-mode frames --reply-timeout 1
s3_must "Transfer(Direction=receive,Host=vm,Mode=ascii,\"HostFile=hello text a\",LocalFile=$WORK/f.txt)"
expect_message "TRANS16 - No reply from the terminal; transfer abandoned"
finish
log_has 'TRANSFER GET HELLO TEXT A ASCII CRLF by screen frames'

# Faults.
session cics --fault ft-error
s3_must "Transfer(Direction=receive,Host=cics,Mode=ascii,HostFile=hello,LocalFile=$WORK/e.txt)"
expect_message "TRANS99 - Error message instead of data (injected fault)"
finish
for fault in ft-short-sf ft-oversize-sf; do
    session tso --fault $fault --reply-timeout 2
    s3_must "Transfer(Direction=receive,Host=tso,Mode=binary,HostFile=hello.text,LocalFile=$WORK/$fault)"
    expect_message "TRANS99 - Transfer ended by an injected fault"
    finish
    log_has 'fault: Insert'
done
session tso --fault ft-no-program
s3_must "Transfer(Direction=receive,Host=tso,Mode=binary,HostFile=hello.text,LocalFile=$WORK/np)"
screen_has "IKJ56500I COMMAND IND\$FILE NOT FOUND"
finish
session tso --fault ft-drop=2
s3 "Transfer(Direction=send,Host=tso,Mode=binary,HostFile=drop.bin,LocalFile=$WORK/bin)" || true
s3_must "Query(ConnectionState)"
grep -q "not-connected" <<<"$S3_DATA" || fail "the session survived ft-drop: $S3_DATA"
quit_s3
wait_host
log_has 'fault: dropping the connection after 2 blocks'
echo "PASS"
