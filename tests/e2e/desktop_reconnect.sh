#!/usr/bin/env bash
# Reconnecting where the user means, in Xvfb: the program starts with a host nobody listens on, the
# error is cancelled, File > Reconnect Ask connects to testhost, where the Host field holds
# "host:port" with a port nobody listens on and the Port field is then set to testhost's: the
# Port field is what connects, and the host list keeps the host and the port apart. The host
# drops the session, and File > Reconnect goes back to testhost, not to the host of the start.
source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool python3
start_xvfb
start_host --app "$(dirname "$0")/lib/desktop_drop.app"
NOBODY=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

ORKAN_SCREEN_TEXT="$WORK/screen.txt" start_program --host "127.0.0.1:$NOBODY"

opens() { grep -c ' OPEN ' "$WORK/host.log"; }

focus_shown "^Orkan TN3270 Connection Error 2$" >/dev/null || fail "the failed start showed no connection error"
xdotool key Escape  # Cancel
waitfor 10 not_shown "Connection Error" || fail "Cancel left the error open"

focus_window "$PROGRAM_PID" >/dev/null || fail "the window cannot be focused"
xdotool key --delay 300 alt+f a  # Reconnect Ask
focus_shown "^Session$" >/dev/null || fail "Reconnect Ask showed no session dialog"
# The Host field has the focus: a host with a port, then the Port field (two fields on) changed.
xdotool key ctrl+a
xdotool type --delay 30 "127.0.0.1:$NOBODY"
xdotool key --delay 100 Tab Tab ctrl+a
xdotool type --delay 30 "$PORT"
xdotool key Return  # Connect
waitfor 30 screen_has "Enter ends the session" || fail "the Port field did not reach the host"
[ "$(opens)" = 1 ] || fail "the host saw $(opens) connections, not 1"
INI="$WORK/config/orkan3270/orkan.ini"
grep -q "^Hostnames=127.0.0.1,$" "$INI" || fail "the host list names the host as: $(grep Hostnames "$INI")"
grep -q "^Portnums=$PORT,$" "$INI" || fail "the host list has the port as: $(grep Portnums "$INI")"

# The host drops the session; Reconnect goes back to it.
focus_window "$PROGRAM_PID" >/dev/null || fail "the window cannot be focused"
rm -f "$WORK/screen.txt"
xdotool key Control_R  # Enter
waitfor 10 grep -q ' CLOSE ' "$WORK/host.log" || fail "the host did not drop the session"
sleep 0.5
xdotool key --delay 300 alt+f r  # Reconnect
waitfor 30 screen_has "Enter ends the session" || {
    shown "Connection Error" && fail "Reconnect went to the host of the start"
    fail "Reconnect did not reconnect"
}
[ "$(opens)" = 2 ] || fail "the host saw $(opens) connections, not 2"
TITLE=$(xdotool getwindowname "$(focus_window "$PROGRAM_PID")")
case "$TITLE" in *"127.0.0.1:$NOBODY"*) fail "the title names the host of the start: $TITLE" ;; esac

end_program
echo PASS
