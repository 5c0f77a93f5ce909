#!/usr/bin/env bash
# File transfer from macros in the headless program against testhost's TSO transfer program: a
# macro sends a text and a binary file, receives both back, compares the text lines itself and
# exits with its own code; a host error makes RECEIVEFILE return 1, reported on stderr, with the
# old file kept; a wildcard request after the list macro receives every data set the list found
# before the macro goes on; a request the host cannot take in is a macro error.
. "${ORKAN_SOURCE_DIR:?}/tests/app/e2e/lib.sh"
require_programs
prepare_appdata
MACROS="$APPDATA/macros"
cp "$DATA"/defaults/macros/*.mac "$MACROS/"
PC="$WORK/pc"
mkdir -p "$PC/lists"

# macro NAME: the macro text from stdin, with @PC@ standing for the PC folder.
macro() { sed "s|@PC@|$PC|g" >"$MACROS/$1.mac"; }

printf 'first line\nsecond line, longer than the first\n\n  indented last line\n' >"$PC/orig.txt"
head -c 100000 /dev/urandom >"$PC/orig.bin"

macro roundtrip <<'EOF'
* Both files go up and come back, and the text is compared line by line here.
WAIT(20, ONSCREEN("READY"))
IF SENDFILE("@PC@/orig.txt", "ROUND.TEXT", "TEXT", "TSO") != 0
  EXIT 21
ENDIF
IF RECEIVEFILE("ROUND.TEXT", "@PC@/back.txt", "text", "replace") != 0
  EXIT 22
ENDIF
IF SENDFILE("@PC@/orig.bin", "ROUND.BIN", "BINARY") != 0
  EXIT 23
ENDIF
IF RECEIVEFILE("ROUND.BIN", "@PC@/back.bin", "BINARY") != 0
  EXIT 24
ENDIF
A = OPEN("@PC@/orig.txt", "INPUT")
B = OPEN("@PC@/back.txt", "INPUT")
N = 0
WHILE EOF(A) = 0
  IF EOF(B)
    EXIT 25
  ENDIF
  IF GET(A) != GET(B)
    EXIT 26
  ENDIF
  N = N + 1
ENDWHILE
IF EOF(B) = 0
  EXIT 27
ENDIF
DEBUG("lines compared: " + STR(N))
EXIT 7
EOF

start_host --transfer tso --transfer-files "$WORK/hostfiles"
run_orkan roundtrip --host "127.0.0.1:$HOST_PORT" --macro roundtrip
expect_rc 7 "the round-trip macro's own code"
err_has roundtrip "Debug: lines compared: 4"
cmp -s "$PC/orig.txt" "$PC/back.txt" || fail "the text came back changed"
cmp -s "$PC/orig.bin" "$PC/back.bin" || fail "the binary file came back changed"
grep -q "File transfer complete - " "$APPDATA/transfer.log" || fail "the log lacks the completion messages"
[ "$(grep -c 'File transfer complete - ' "$APPDATA/transfer.log")" = 4 ] || fail "four transfers are not in the log"

# The wildcard request takes the names the list macro found and receives each one (empty data
# sets among them) before the macro goes on.
macro listed <<'EOF'
WAIT(20, ONSCREEN("READY"))
RUN("ork$lstc")
RC = RECEIVEFILE("'ORKUSER.LIST*.DATA'", "@PC@/lists/*.txt", "TEXT")
DEBUG("after the wildcard transfers: " + STR(RC))
EXIT 40 + RC
EOF
run_orkan listed --host "127.0.0.1:$HOST_PORT" --macro listed
expect_rc 40 "every listed data set received"
err_has listed "Debug: after the wildcard transfers: 0"
[ "$(ls "$PC/lists" | wc -l)" = 20 ] || fail "the listed data sets were not all received: $(ls "$PC/lists")"
[ -f "$PC/lists/LIST01.txt" ] && [ -f "$PC/lists/LIST20.txt" ] || fail "names: $(ls "$PC/lists")"
[ "$(grep -c '^ReceiveFile(' "$MACROS/ork\$A\$xfer.mac")" = 20 ] || fail "generated: $(cat "$MACROS/ork\$A\$xfer.mac")"

# A request with a wildcard on one side only cannot be expanded: error 55, nothing typed.
run_orkan oneside --host "127.0.0.1:$HOST_PORT" --run 'WAIT(20, ONSCREEN("READY")) ; RECEIVEFILE("A.*", "x.txt")'
expect_rc 2 "a macro error"
err_has oneside "Orkan macro error 55 - File Transfer parm error.  See Help info for an example"
stop_host

# The host answers with an error: RECEIVEFILE returns 1, the reason is on stderr, the old file stays.
printf 'precious\n' >"$PC/keep.txt"
macro failing <<'EOF'
WAIT(20, ONSCREEN("READY"))
RC = RECEIVEFILE("HELLO.TEXT", "@PC@/keep.txt", "TEXT")
WAITUNLOCKED(20)
EXIT 30 + RC
EOF
start_host --transfer tso --fault ft-error
run_orkan failing --host "127.0.0.1:$HOST_PORT" --macro failing
expect_rc 31 "RECEIVEFILE's result 1"
err_has failing "Orkan TN3270 File Transfer Error: Receiving HELLO.TEXT into $PC/keep.txt failed:"
err_has failing "TRANS99 - Error message instead of data (injected fault)"
[ "$(cat "$PC/keep.txt")" = precious ] || fail "the failed download changed the old file"

echo "PASS"
