#!/usr/bin/env bash
# The desktop program under Xvfb prints the screen to a CUPS queue of a scheduler the test starts
# on a private socket: the Print Screen key sends the logon panel as a PDF job; a queue that does
# not exist gives "Printer not found" and the session goes on.
source "$(dirname "$0")/lib/desktop_lib.sh"
source "$(dirname "$0")/print/cups.sh"
require_desktop xdotool
start_cupsd
start_xvfb
start_host


start_at_logon --printer orkanq --host "127.0.0.1:$PORT"
xdotool key Print
wait_job 1 "User id"
end_program

# A queue CUPS does not know: the message box says so and the session is still there.
start_at_logon --printer nosuchq --host "127.0.0.1:$PORT"
xdotool key Print
BOX=$(focus_shown "Printer Error") || fail "no \"Printer Error\" box appeared"
xdotool key --window "$BOX" Return
kill -0 "$PROGRAM_PID" || fail "the program ended after the printer error"
lpstat -W all -o 2>/dev/null | grep -q "orkanq-2" && fail "a job was printed for a missing queue"
end_program
echo "PASS"
