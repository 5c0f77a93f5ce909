#!/usr/bin/env bash
# A recording in both of the recorder's forms (own language and REXX: typed text, a paste, a mouse
# click on the panel, Enter, the waits) played by the headless program, each against a testhost of
# its own: both hosts receive the same inputs, fields and cursor positions. The recordings are
# recorded_own.mac and recorded_rexx.mac beside this script.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"

for form in own rexx; do
    start_host --once
    expect_run "$form" 0 "" --host "127.0.0.1:$HOST_PORT" \
        --run 'H = OPEN("CLIPBOARD", "OUTPUT") ; PUT(H, "secret", "NOCRLF") ; CLOSE(H)' \
        --macro "$ORKAN_SOURCE_DIR/tests/e2e/recorded_$form.mac"
    stop_host
    exchange "$HOST_LOG" >"$WORK/$form.exchange"
    cp "$HOST_LOG" "$WORK/$form.log"
done
grep -q 'FIELD password .*"secret"' "$WORK/own.exchange" || fail "the pasted password did not reach the host"
diff -u "$WORK/own.exchange" "$WORK/rexx.exchange" || fail "the REXX form sent the host something else"
echo "PASS"
