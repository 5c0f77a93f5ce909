#!/usr/bin/env bash
# What the headless program says when it cannot work, and that it then ends with a non-zero status:
# a refused connection, an unknown host, a connect time-out, a device the server refuses, a host
# that closes the connection in the middle of a record, a session without a host, a TLS choice the
# session cannot use, a damaged key.lst, an invalid command line option, a display that cannot be
# reached and a session file that cannot be loaded at all.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
prepare_appdata

# --- nothing listens: the port of a host that has just stopped
start_host
free_port=$HOST_PORT
stop_host
run_orkan refused --host "127.0.0.1:$free_port"
expect_rc 3 "refused connection"
err_has refused "Orkan TN3270 Connection Error 2: Error connecting to hostname 127.0.0.1, port $free_port, rc=111"
err_has refused "(answered Cancel)"

# --- a name no resolver knows
run_orkan unknown --host nosuchhost.invalid:3270
expect_rc 3 "unknown host"
err_has unknown "Orkan TN3270 Connection Error 2: Error getting address info for nosuchhost.invalid, rc="

# --- a host that takes the connection and never says a word: the countdown of 2 seconds runs out
exec {silent}< <(exec python3 -c '
import signal, socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(4)
print(s.getsockname()[1], flush=True)
signal.pause()
')
track $!
read -r -t "$PATIENCE" -u "$silent" silent_port || fail "the silent host did not start"
make_session slow host="127.0.0.1:$silent_port" timeout=2
started=$(date +%s)
run_orkan timeout slow
expect_rc 3 "connect time-out"
err_has timeout "Orkan TN3270 Connection Error 1: Timeout while connecting to 127.0.0.1"
[ $(($(date +%s) - started)) -ge 2 ] || fail "the time-out came before its 2 seconds"

# --- the server refuses the device
start_host --reject INV-NAME
run_orkan rejected --host "127.0.0.1:$HOST_PORT" --lu NOSUCHLU
expect_rc 3 "device rejected"
err_has rejected "Orkan TN3270 Connection Error 3: The device is not known to the server."
stop_host

# --- the host closes in the middle of the logon panel's record
start_host --fault close-after=600
start_orkan cut --dump --host "127.0.0.1:$HOST_PORT"
finish_orkan cut
expect_rc 3 "host closed the connection"
err_has cut "orkan3270: The host closed the connection."
grep -q -- "--- screen" "$WORK/cut.out" && fail "a cut record was shown as a screen"
log_has 'CLOSE fault: closed after 600 bytes'
stop_host

# --- the installed standard.ses names no host
run_orkan nohost standard
expect_rc 3 "no host"
err_has nohost "names no host to connect to"

# --- a TLS choice from an older list that this program cannot use
make_session oddtls host=127.0.0.1:1 tls=11
run_orkan oddtls oddtls
expect_rc 3 "unusable TLS choice"
err_has oddtls "Orkan TN3270 Connection Error 2: The session's TLS choice 11 cannot be used"

# --- command line, key.lst and session files that end the start
run_orkan badoption /X
expect_rc 8 "invalid option"
err_has badoption "Orkan TN3270 Command Line Option Error: Command line option '/X' is invalid."

printf 'Not a key list at all, but long enough' >"$APPDATA/key.lst"
run_orkan badkeys --host 127.0.0.1:1
expect_rc 8 "damaged key.lst"
err_has badkeys "Orkan TN3270 Installation Error: KEY.LST is not a valid keylist file for this version"
rm "$APPDATA/key.lst"

# A display that cannot be reached (a stale DISPLAY in an ssh or cron shell): a word and status 8,
# not an abort with a core file.
if [ -x "${ORKAN_DESKTOP_BIN:-}" ]; then
    n=4711
    while [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    RC=0
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=":$n" timeout 60 "$ORKAN_BIN" --host 127.0.0.1:1 \
        2>"$WORK/nodisplay.err" || RC=$?
    expect_rc 8 "display not reachable"
    err_has nodisplay "orkan3270: the display cannot be used (DISPLAY=:$n); run it with --headless."
fi

# A session named but missing: no window shows standard.ses standing in, so the start ends.
run_orkan nosession missing
expect_rc 8 "the named session does not load"
err_has nosession "Session file missing.ses was not found"

printf 'damaged' >"$APPDATA/standard.ses"
rm -f "$APPDATA/standard.ses.backup"
run_orkan nostandard standard
expect_rc 8 "standard.ses does not load"
err_has nostandard "standard.ses is not a valid session file for this version"

echo "PASS"
