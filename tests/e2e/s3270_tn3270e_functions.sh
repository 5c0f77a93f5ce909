#!/usr/bin/env bash
# TN3270E beyond the basics with s3270: an LU asked for by name, a refused device (the client falls
# back to TN3270), ALWAYS-RESPONSE answered with positive responses, BIND-IMAGE and UNBIND,
# SSCP-LU data typed by the operator, the large model-4 and model-5 screens and the dynamic-size
# screen.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/s3270_lib.sh"

start_host --max-sessions 2 --reject INV-NAME
s3_start
s3_must "Connect(127.0.0.1:$PORT)" "Wait(10,InputField)"
screen_has "Mode TN3270 "
s3_must "Disconnect()"
quit_s3
log_has 'TELNET> IAC SB TN3270E DEVICE-TYPE REJECT REASON INV-NAME IAC SE'
stop_host

start_host --once --lu-pool ORKLU001-ORKLU009
s3_start -model 3279-4-E
s3_must "Connect(ORKLU007@127.0.0.1:$PORT)" "Wait(10,InputField)"
logon dave pw

menu 9
s3_must "Enter()" "Wait(10,Unlock)"
screen_has "Response to the previous send of this screen: positive seq="
s3_must "PF(3)"

menu 8
screen_has "Bind . . . . . PLU=ORKHOST SLU=ORKLU007"
s3_must "PF(5)" "Wait(10,Unlock)"
screen_has "Bind . . . . . PLU=ORKTEST SLU=ORKLU007"
s3_must "PF(3)"

menu 7
s3_must "Enter()" "Wait(10,Unlock)"
screen_has "SSCP-LU SESSION"
s3_must "String(\"logon applid(demo)\")" "Enter()" "Wait(10,Unlock)"
screen_has "Last SSCP-LU input: logon applid(demo)"
screen_has "PLU=ORKDEMO SLU=ORKLU007"
s3_must "PF(3)"

menu 2
screen_has "LARGE SCREEN 43 ROWS x 80 COLUMNS"
screen_has "Row 42"
s3_must "PF(3)"

menu 3
screen_has "this screen is 43 rows by 80 columns"
screen_has "(bottom right) END"
s3_must "String(\"dyn\")" "Enter()" "Wait(10,Unlock)"
screen_has "You typed: dyn"
s3_bye
log_has 'RESPONSE positive seq=[0-9]+ code=00$'
log_has 'SSCP input "logon applid\(demo\)"'
log_lacks 'ERROR'

# Model 5: the 27x132 screen, and the dynamic screen at that size.
start_host --once
s3_start -model 3279-5-E
s3_must "Connect(127.0.0.1:$PORT)"
logon hal pw
menu 2
screen_has "LARGE SCREEN 27 ROWS x 132 COLUMNS"
s3_must "PF(3)"
menu 3
screen_has "this screen is 27 rows by 132 columns"
s3_bye
echo "PASS"
