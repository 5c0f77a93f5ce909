#!/usr/bin/env bash
# The host's reads and queries against s3270: Query and Query List replies are decoded (s3270
# answers as a model 4), a Read Buffer reply matches the host's own model of the screen including
# what was typed, and Read Modified / Read Modified All return the typed fields. The demo's
# data-entry panel: fields in reading order, the one-character intensified field whose autoskip
# neighbour sends the cursor on to the next input field, the protected reference that Tab passes
# over, validation by the host's rules and the values it received.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/s3270_lib.sh"
start_host --once
s3_start -model 3279-4-E
s3_must "Connect(127.0.0.1:$PORT)"
logon carol pw

menu 6
s3_must "Enter()" "Wait(10,Unlock)"
screen_has "Usable area  . 43x80"
screen_has "Partition  . . 24x80 alt 43x80"
s3_must "PF(5)" "Wait(10,Unlock)"
screen_has "Replies  . . . usable-area color highlighting implicit-partition"
s3_must "PF(3)"

menu 4
s3_must "String(\"hello\")" "Tab()" "String(\"hidden1\")" "Tab()" "String(\"third\")" "Enter()"
s3_must "Wait(10,InputField)"
screen_has "Same as the host's model: yes"
screen_has "Positions 1920"
screen_has "fielda=hello fieldb=(hidden) fieldc=third"
s3_must "PF(3)"

menu 5
s3_must "String(\"one\")" "Tab()" "Tab()" "String(\"three\")" "Enter()" "Wait(10,InputField)"
screen_has "Last reply: read-modified"
screen_has "Values: first=one third=three"
s3_must "PF(5)" "Wait(10,InputField)"
screen_has "Last reply: read-modified-all"
screen_has "AID pf5"
s3_must "PF(3)"

menu 1
screen_has "Colours:   blue red pink green turquoise yellow white"
screen_has "Reference . . . . . ORK-000123"
s3_must "String(\"ACME\")" "Enter()" "Wait(10,InputField)"
screen_has "Quantity is required."
screen_has "Customer name . . . ACME"
s3_must "Tab()" "String(\"123\")" "Tab()" "String(\"5\")" "Tab()" "String(\"250\")" "Tab()"
s3_must "String(\"H\")" "Query(Cursor)"
[ "$(tr -d '\n' <<<"$S3_DATA")" = "8 22" ] || fail "autoskip did not move the cursor to the region field (row 8, column 22 counted from 0): $S3_DATA"
s3_must "String(\"EU\")" "Enter()" "Wait(10,InputField)"
screen_has "Saved ACME: account 123, 5 x 250, priority H."
s3_must "PF(5)" "Wait(10,InputField)"
screen_has "Fields cleared."
s3_bye
log_has 'READ Read Buffer reply: AID=enter .* positions=1920 .* match=yes'
log_has 'FIELD fieldb [0-9,]+ "hidden1"'
log_lacks 'SCREEN .*hidden1'
log_has 'FIELD priority 7,23 "H"'
log_has 'FIELD region 9,23 "EU"'
log_has 'RULE screen entry line [0-9]+ for pf5'
log_lacks 'ERROR'
echo "PASS"
