#!/usr/bin/env bash
# What the headless program says when it cannot work, and that it then ends with a non-zero status:
# a refused connection (its box on stderr, answered Cancel), a host that closes the connection in
# the middle of a record, a session without a host, a display that cannot be reached, a damaged
# key.lst and a session file that cannot be loaded at all. (The texts of the other connection
# errors: tests/app/session_runtime_test.cpp and tests/net/conn_connection_test.cpp; an invalid
# command line option: tests/app/data/command_line.txt and orkan_tls.sh.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"

# --- nothing listens: the port of a host that has just stopped
start_host
free_port=$HOST_PORT
stop_host
expect_run refused 3 "Orkan TN3270 Connection Error 2: Error connecting to hostname 127.0.0.1, port $free_port, rc=111" \
    --host "127.0.0.1:$free_port"
err_has refused "(answered Cancel)"

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
expect_run nohost 3 "names no host to connect to" standard

# --- a damaged key.lst ends the start
printf 'Not a key list at all, but long enough' >"$APPDATA/key.lst"
expect_run badkeys 8 "Orkan TN3270 Installation Error: KEY.LST is not a valid keylist file for this version" \
    --host 127.0.0.1:1
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
expect_run nosession 8 "Session file missing.ses was not found" missing

printf 'damaged' >"$APPDATA/standard.ses"
rm -f "$APPDATA/standard.ses.backup"
expect_run nostandard 8 "standard.ses is not a valid session file for this version" standard

echo "PASS"
