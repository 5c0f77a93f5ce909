#!/usr/bin/env bash
# The headless program traced from start-up (--trace) against testhost: the trace file in the
# application data folder, for its owner only, read back by tracedump from the first Telnet
# command to the logon screen; a folder where the file cannot be made is reported and the session
# runs on untraced.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
TRACEDUMP="${ORKAN_BINARY_DIR:?}/tools/tracedump/tracedump"
[ -x "$TRACEDUMP" ] || fail "tracedump is not built"

start_host
start_orkan traced --dump --trace --host "127.0.0.1:$HOST_PORT"
expect_out traced "User id"
finish_orkan traced TERM
expect_rc 0 "SIGTERM is a clean end"
trace="$APPDATA/sessionA.trc"
[ -f "$trace" ] || fail "no $trace"
[ "$(stat -c %a "$trace")" = 600 ] || fail "$trace has mode $(stat -c %a "$trace"), not 600"
if grep -q "not available" "$WORK/traced.err"; then fail "--trace was said to be unavailable"; fi
"$TRACEDUMP" "$trace" >"$WORK/listing.txt" || fail "tracedump failed on the program's trace"
for text in "IAC DO TN3270E" "IAC SB TN3270E DEVICE-TYPE IS" "Erase/Write WCC" "|ORKAN DEMO HOST" " SENT "; do
    grep -qF -- "$text" "$WORK/listing.txt" || fail "the listing lacks '$text'"
done
# Items come in the order they happened: negotiation before the first screen.
first_telnet=$(grep -n " TELNET " "$WORK/listing.txt" | head -1 | cut -d: -f1)
first_record=$(grep -n " RECORD " "$WORK/listing.txt" | head -1 | cut -d: -f1)
[ "$first_telnet" -lt "$first_record" ] || fail "a record was traced before any Telnet command"

# A trace that cannot be made: the session runs without it and says why.
rm -f "$trace"
mkdir "$trace"
start_orkan untraced --dump --trace --host "127.0.0.1:$HOST_PORT"
expect_out untraced "User id"
finish_orkan untraced TERM
expect_rc 0
err_has untraced "File Save Error"
err_has untraced "sessionA.trc"
stop_host
