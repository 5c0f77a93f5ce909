#!/usr/bin/env bash
# s3270 logs on to the demo application over TN3270E: the logon panel reads as text, the user id
# and the non-display password reach the host, and the main menu follows. The host log shows the
# password among the received fields and never in the screens it sent.
. "${ORKAN_SOURCE_DIR:?}/tools/testhost/tests/s3270_lib.sh"
require_peers
start_host --once
s3_start
s3_must "Connect(127.0.0.1:$PORT)"
s3_must "Wait(10,InputField)"
screen_has "Mode TN3270E"
screen_has "LU ORKLU001"
logon alice s3cret
s3_must "Query(Tn3270eOptions)"
grep -q "BIND-IMAGE" <<<"$S3_DATA" || fail "s3270 did not agree BIND-IMAGE: $S3_DATA"
s3_must "PF(3)"
s3_must "Wait(10,InputField)"
screen_has "Logged off."
s3_must "Disconnect()"
wait_host
log_has 'READY TN3270E terminal=IBM-327[89]-[2-5](-E)? lu=ORKLU001'
log_has 'FIELD password [0-9]+,[0-9]+ "s3cret"'
log_has 'SCREEN \| ORKAN DEMO HOST - MAIN MENU'
log_lacks 'SCREEN .*s3cret'
log_lacks 'ERROR'
echo "PASS"
