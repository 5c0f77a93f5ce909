#!/usr/bin/env bash
# The host's reads and queries against s3270: Query and Query List replies are decoded (s3270
# answers as a model 4), a Read Buffer reply matches the host's own model of the screen including
# what was typed, and Read Modified / Read Modified All return the typed fields.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/s3270_lib.sh"
require_peers
start_host --once
s3_start -model 3279-4-E
s3_must "Connect(127.0.0.1:$PORT)"
logon carol pw

menu 6
s3_must "Enter()"
s3_must "Wait(10,Unlock)"
screen_has "usable-area"
screen_has "Usable area  . 43x80"
screen_has "Partition  . . 24x80 alt 43x80"
s3_must "PF(5)"
s3_must "Wait(10,Unlock)"
screen_has "Replies  . . . usable-area color highlighting implicit-partition"
s3_must "PF(3)"

menu 4
s3_must "String(\"hello\")"
s3_must "Tab()"
s3_must "String(\"hidden1\")"
s3_must "Tab()"
s3_must "String(\"third\")"
s3_must "Enter()"
s3_must "Wait(10,InputField)"
screen_has "Same as the host's model: yes"
screen_has "Positions 1920"
screen_has "fielda=hello fieldb=(hidden) fieldc=third"
s3_must "PF(3)"

menu 5
s3_must "String(\"one\")"
s3_must "Tab()"
s3_must "Tab()"
s3_must "String(\"three\")"
s3_must "Enter()"
s3_must "Wait(10,InputField)"
screen_has "Last reply: read-modified"
screen_has "Values: first=one third=three"
s3_must "PF(5)"
s3_must "Wait(10,InputField)"
screen_has "Last reply: read-modified-all"
screen_has "AID pf5"
s3_must "Disconnect()"
wait_host
log_has 'READ Read Buffer reply: AID=enter .* positions=1920 .* match=yes'
log_has 'FIELD fieldb [0-9,]+ "hidden1"'
log_lacks 'SCREEN .*hidden1'
log_lacks 'ERROR'
echo "PASS"
