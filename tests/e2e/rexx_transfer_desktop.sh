#!/usr/bin/env bash
# A REXX macro's file transfer in the desktop program under Xvfb: receivefile of a large host file
# shows the "Receive File from Host" dialog while the macro's thread waits, the macro goes on with
# 0 when the host says complete; sendfile of the file back gives 0 too.
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
/* REXX: a large file down, then up again */
call wait 20, "onscreen('READY')"
r.1 = 'down' receivefile('BIG.TEXT', '$WORK/pc/big.txt', 'TEXT', 'TSO')
call wait 20, "onscreen('READY')"
r.2 = 'up' sendfile('$WORK/pc/big.txt', 'COPY.TEXT', 'TEXT', 'TSO')
r.0 = 2
'EXECIO * DISKW "$WORK/pc/results.txt" (STEM R.'
EOF
HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=xcb \
    "$ORKAN_BIN" --host "127.0.0.1:$PORT" --macro "$WORK/get.mac" >"$WORK/program.out" 2>"$WORK/program.err" &
PROGRAM_PID=$!
track "$PROGRAM_PID"

dialog_shown() { xdotool search --onlyvisible --name "Receive File from Host" >/dev/null 2>&1; }
waitfor 30 dialog_shown || fail "the REXX macro's transfer was not shown in the transfer dialog"
[ -f "$WORK/pc/results.txt" ] && fail "the macro went on before its transfer ended"
waitfor 120 test -s "$WORK/pc/results.txt" || fail "the macro did not get to its end"
[ "$(cat "$WORK/pc/results.txt")" = "$(printf 'down 0\nup 0')" ] || fail "results: $(cat "$WORK/pc/results.txt")"
cmp -s "$WORK/hostfiles/tso/ORKUSER.BIG.TEXT.txt" "$WORK/pc/big.txt" || fail "the received file differs from the host's"
end_program
echo "PASS"
