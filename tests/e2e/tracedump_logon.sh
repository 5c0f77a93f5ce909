#!/usr/bin/env bash
# tracedump reads a traced logon to testhost's demo as tests/fixtures/tracedump/logon.txt has it
# (times, item numbers, file offsets and the program's version masked): Telnet and TN3270E
# negotiation by name, the TN3270E header of every record, commands and WCCs, orders with their
# rows and columns, field attributes and attribute pairs by name, structured fields and query
# replies by name, the text of the screens translated, and the password sent as X.
# ORKAN_UPDATE_GOLDEN=1 writes the listing of this run as the new golden file. The trace file (from
# --trace, in the application data folder) is for its owner only; a session ended by SIGTERM leaves
# its screens traced; a folder where the file cannot be made is reported and the session runs on
# untraced.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
TRACEDUMP="${ORKAN_BINARY_DIR:?}/tools/tracedump/tracedump"
[ -x "$TRACEDUMP" ] || fail "tracedump is not built"
GOLDEN="$ORKAN_SOURCE_DIR/tests/fixtures/tracedump/logon.txt"

start_host
cat >"$APPDATA/macros/logon.mac" <<'MAC'
WAIT(20, ONSCREEN("User id"))
TYPE("alice")
KEY("Tab")
TYPE("s3cret")
KEY("Enter")
WAIT(20, ONSCREEN("MAIN MENU"))
MAC
expect_run logon 0 "" --trace --host "127.0.0.1:$HOST_PORT" --macro logon
trace="$APPDATA/sessionA.trc"
[ "$(stat -c %a "$trace")" = 600 ] || fail "$trace has mode $(stat -c %a "$trace"), not 600"

"$TRACEDUMP" --no-chunks "$trace" >"$WORK/listing.txt" || fail "tracedump failed"
sed -E -e 's/^(Trace written by Orkan TN3270) .*/\1 VERSION/' \
    -e 's/^#[0-9]+ [0-9]{2}:[0-9]{2}:[0-9]{2} ([A-Z0-9-]+) ([0-9]+) bytes at 0x[0-9A-F]+/# TIME \1 \2 bytes/' \
    "$WORK/listing.txt" >"$WORK/masked.txt"
if [ -n "${ORKAN_UPDATE_GOLDEN:-}" ]; then
    mkdir -p "$(dirname "$GOLDEN")"
    cp "$WORK/masked.txt" "$GOLDEN"
fi
diff -u "$GOLDEN" "$WORK/masked.txt" >"$WORK/diff.txt" || fail "the listing differs from $GOLDEN: $(head -c 3000 "$WORK/diff.txt")"
grep -q "s3cret" "$WORK/listing.txt" && fail "the password is in the listing"

# Ended by SIGTERM at the logon panel: the screen is in the trace.
rm -f "$trace"
start_at_logon traced --trace --host "127.0.0.1:$HOST_PORT"
term_ok traced
"$TRACEDUMP" "$trace" >"$WORK/sigterm.txt" || fail "tracedump failed on the trace of a session ended by SIGTERM"
grep -qF -- "|ORKAN DEMO HOST" "$WORK/sigterm.txt" || fail "the logon panel is not in the trace"

# A trace that cannot be made: the session runs without it and says why.
rm -f "$trace"
mkdir "$trace"
start_at_logon untraced --trace --host "127.0.0.1:$HOST_PORT"
term_ok untraced
err_has untraced "File Save Error"
err_has untraced "sessionA.trc"
stop_host
echo "PASS"
