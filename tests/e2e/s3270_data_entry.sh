#!/usr/bin/env bash
# The demo's data-entry panel with s3270: fields in reading order, the one-character intensified
# field whose autoskip neighbour sends the cursor on to the next input field, the protected
# reference that Tab passes over, validation by the host's rules and the values it received.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/s3270_lib.sh"
require_peers
start_host --once
s3_start
s3_must "Connect(127.0.0.1:$PORT)"
logon gina pw
menu 1
screen_has "Colours:   blue red pink green turquoise yellow white"
screen_has "Reference . . . . . ORK-000123"
s3_must "String(\"ACME\")"
s3_must "Enter()"
s3_must "Wait(10,InputField)"
screen_has "Quantity is required."
screen_has "Customer name . . . ACME"
s3_must "Tab()"
s3_must "String(\"123\")"
s3_must "Tab()"
s3_must "String(\"5\")"
s3_must "Tab()"
s3_must "String(\"250\")"
s3_must "Tab()"
s3_must "String(\"H\")"
s3_must "Query(Cursor)"
[ "$(tr -d '\n' <<<"$S3_DATA")" = "8 22" ] || fail "autoskip did not move the cursor to the region field (row 8, column 22 counted from 0): $S3_DATA"
s3_must "String(\"EU\")"
s3_must "Enter()"
s3_must "Wait(10,InputField)"
screen_has "Saved ACME: account 123, 5 x 250, priority H."
s3_must "PF(5)"
s3_must "Wait(10,InputField)"
screen_has "Fields cleared."
s3_must "Disconnect()"
wait_host
log_has 'FIELD priority 7,23 "H"'
log_has 'FIELD region 9,23 "EU"'
log_has 'RULE screen entry line [0-9]+ for pf5'
log_lacks 'ERROR'
echo "PASS"
