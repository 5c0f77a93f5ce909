#!/usr/bin/env bash
# File transfer from macros in the headless program against testhost's TSO transfer program: a
# macro sends a text and a binary file, receives both back, compares the text lines itself and
# exits with its own code; a wildcard request after the list macro receives every data set the
# list found before the macro goes on. (What a macro gets from a failed or unusable request is
# tested on a session below the program: tests/transfer/macro_transfer_test.cpp.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
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
expect_run roundtrip 7 "Debug: lines compared: 4" --host "127.0.0.1:$HOST_PORT" --macro roundtrip
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
expect_run listed 40 "Debug: after the wildcard transfers: 0" --host "127.0.0.1:$HOST_PORT" --macro listed
[ "$(ls "$PC/lists" | wc -l)" = 20 ] || fail "the listed data sets were not all received: $(ls "$PC/lists")"
[ -f "$PC/lists/LIST01.txt" ] && [ -f "$PC/lists/LIST20.txt" ] || fail "names: $(ls "$PC/lists")"
[ "$(grep -c '^ReceiveFile(' "$MACROS/ork\$A\$xfer.mac")" = 20 ] || fail "generated: $(cat "$MACROS/ork\$A\$xfer.mac")"

stop_host

echo "PASS"
