#!/usr/bin/env bash
# A recording in both of the recorder's forms (own language and REXX: typed text, a paste, a mouse
# click on the panel, Enter, the waits) played by the headless program, each against a testhost of
# its own: both hosts receive the same inputs, fields and cursor positions.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
prepare_appdata

cat >"$WORK/own.mac" <<'MAC'
*********************************************************
* logon
* Orkan TN3270 macro generated on 2026-12-07 08:00:00
*********************************************************

Wait(20,Status="Unlocked")
Type("alice")
Key("Tab")
Key("Paste")
Key("SelectLocation1",9,36)
Key("Enter")
Wait(20,Status="Unlocked")
Type("1")
Key("Enter")
Wait(20,Status="Unlocked")
Key("PF3")
Wait(20,Status="Unlocked")
MAC
cat >"$WORK/rexx.mac" <<'MAC'
/* rexx ***************************************************/
/* logon */
/* Orkan TN3270 macro generated on 2026-12-07 08:00:00    */
/**********************************************************/

WaitUnlocked(20)
Type("alice")
Key("Tab")
Key("Paste")
Key("SelectLocation1",9,36)
Key("Enter")
WaitUnlocked(20)
Type("1")
Key("Enter")
WaitUnlocked(20)
Key("PF3")
WaitUnlocked(20)
MAC

for form in own rexx; do
    start_host --once
    run_orkan "$form" --host "127.0.0.1:$HOST_PORT" \
        --run 'H = OPEN("CLIPBOARD", "OUTPUT") ; PUT(H, "secret", "NOCRLF") ; CLOSE(H)' --macro "$WORK/$form.mac"
    expect_rc 0 "the $form recording"
    stop_host
    exchange "$HOST_LOG" >"$WORK/$form.exchange"
    cp "$HOST_LOG" "$WORK/$form.log"
done
grep -q 'FIELD password .*"secret"' "$WORK/own.exchange" || fail "the pasted password did not reach the host"
diff -u "$WORK/own.exchange" "$WORK/rexx.exchange" || fail "the REXX form sent the host something else"
echo "PASS"
