#!/usr/bin/env bash
# Files of the headless program against a limit the system sets: a file size limit (ulimit -f) ends
# a download with the system's message, RECEIVEFILE returns 1, and no temporary file is left beside
# the target. (A symbolic link planted at a fixed name, the trace's among them, is refused in
# tests/capture/fixed_name_files_test.cpp.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
PC="$WORK/pc"
mkdir -p "$PC"

# --- a download past the file size limit (200 blocks of 1024 bytes; the host file is 1 MB)
head -c 1048576 /dev/urandom >"$PC/big.bin"
cat >"$APPDATA/macros/limited.mac" <<EOF2
WAIT(20, ONSCREEN("READY"))
IF SENDFILE("$PC/big.bin", "BIG.BIN", "BINARY") != 0
  EXIT 20
ENDIF
RC = RECEIVEFILE("BIG.BIN", "$PC/back.bin", "BINARY")
WAITUNLOCKED(20)
EXIT 30 + RC
EOF2
start_host --transfer tso
(
    ulimit -f 200
    exec timeout -k 30 "$LIFETIME" "$ORKAN_BIN" --headless --host "127.0.0.1:$HOST_PORT" --macro limited
) >"$WORK/limited.out" 2>"$WORK/limited.err"
RC=$?
expect_rc 31 "RECEIVEFILE's result 1 (status 153 is death by SIGXFSZ)"
err_has limited "$PC/back.bin: File too large"
[ -e "$PC/back.bin" ] && fail "the cut download took the target's name"
leftovers=$(find "$PC" -name '.back.bin.*')
[ -z "$leftovers" ] || fail "temporary files were left: $leftovers"

echo "PASS"
