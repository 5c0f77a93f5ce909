#!/usr/bin/env bash
# The transfer program's host side as s3270 sees it: records (APPEND, fixed records, a record
# too long) as s3270's options ask for them, host files written back to a new folder (seeded with
# the samples) and read again by a new host. (The list screens, screen frames, refused options and
# the injected faults, a terminal played byte by byte: tools/testhost/tests/ft_sessions.txt.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/s3270_lib.sh"

# session SYSTEM [host options]: a fresh host and s3270 at its READY screen.
session() {
    start_host --once --transfer "$@"
    s3_start -model 3279-2-E
    s3_must "Connect(127.0.0.1:$PORT)" "Wait(10,InputField)"
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
s3_must "String(\"LISTDS FIXED.TEXT\")" "Enter()" "Wait(10,Unlock)"
screen_has "  F     80    800     PS"
s3_must "Transfer($put,HostFile=long.text,LocalFile=$WORK/long.txt)"
[ "$(last_message)" = "TRANS15 - Record 1 is 300 bytes, longer than LRECL allows (251)" ] || fail "a long record: $(last_message)"
s3_must "String(\"LISTCAT LEVEL(ORKUSER.LONG)\")" "Enter()" "Wait(10,Unlock)"
screen_has "IDC3012I ENTRY ORKUSER.LONG NOT FOUND"
s3_bye

# Written back: a second host on the same folder serves what the first one received.
session tso --transfer-files "$WORK/hostfiles"
[ -f "$WORK/hostfiles/tso/ORKUSER.HELLO.TEXT.txt" ] || fail "the new folder did not get the sample files"
s3_must "Transfer($put,HostFile=kept.text,LocalFile=$WORK/ab.txt)"
s3_must "Transfer(Direction=send,Host=tso,Mode=binary,HostFile=kept.bin,LocalFile=$WORK/bin)"
s3_bye
grep -q '^ORKUSER.KEPT.TEXT VB 255 ' "$WORK/hostfiles/tso/catalog.txt" || fail "catalog: $(cat "$WORK/hostfiles/tso/catalog.txt")"
[ "$(cat "$WORK/hostfiles/tso/ORKUSER.KEPT.TEXT.txt")" = "$(cat "$WORK/ab.txt")" ] || fail "the text data set was not written back as text"
[ -f "$WORK/hostfiles/tso/ORKUSER.KEPT.BIN.bin" ] || fail "the binary data set was not written back"
session tso --transfer-files "$WORK/hostfiles"
rm -f "$WORK/back"
s3_must "Transfer(Direction=receive,Host=tso,Mode=binary,HostFile=kept.bin,LocalFile=$WORK/back)"
cmp -s "$WORK/bin" "$WORK/back" || fail "the binary data set did not survive a restart"
s3_bye

echo "PASS"
