#!/usr/bin/env bash
# File transfer from macros in the headless program against testhost's TSO transfer program: a
# wildcard request after the installed list macro receives every data set the list found before
# the macro goes on. (Round trips from a macro: macro_headless.sh and security_files.sh; exact round
# trips of every kind: tests/transfer/roundtrip_e2e_test.cpp; what a macro gets from a failed or
# unusable request: tests/transfer/macro_transfer_test.cpp.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
MACROS="$APPDATA/macros"
cp "$DATA"/defaults/macros/*.mac "$MACROS/"
PC="$WORK/pc"
mkdir -p "$PC/lists"


start_host --transfer tso --transfer-files "$WORK/hostfiles"
# The wildcard request takes the names the list macro found and receives each one (empty data
# sets among them) before the macro goes on.
cat >"$MACROS/listed.mac" <<EOF
WAIT(20, ONSCREEN("READY"))
RUN("ork\$lstc")
RC = RECEIVEFILE("'ORKUSER.LIST*.DATA'", "$PC/lists/*.txt", "TEXT")
DEBUG("after the wildcard transfers: " + STR(RC))
EXIT 40 + RC
EOF
expect_run listed 40 "Debug: after the wildcard transfers: 0" --host "127.0.0.1:$HOST_PORT" --macro listed
[ "$(ls "$PC/lists" | wc -l)" = 20 ] || fail "the listed data sets were not all received: $(ls "$PC/lists")"
[ -f "$PC/lists/LIST01.txt" ] && [ -f "$PC/lists/LIST20.txt" ] || fail "names: $(ls "$PC/lists")"
[ "$(grep -c '^ReceiveFile(' "$MACROS/ork\$A\$xfer.mac")" = 20 ] || fail "generated: $(cat "$MACROS/ork\$A\$xfer.mac")"

stop_host

echo "PASS"
