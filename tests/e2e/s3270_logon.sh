#!/usr/bin/env bash
# s3270 logs on to the demo application over TN3270E: the logon panel reads as text, the user id
# and the non-display password reach the host, and the main menu follows. The host log shows the
# password among the received fields and never in the screens it sent. Plain TN3270: once with a
# host that offers TN3270E to a client that refuses it, once with a host that offers plain TN3270
# only. Both follow the order real servers use: DO TERMINAL-TYPE, SB TERMINAL-TYPE SEND, then
# DO/WILL EOR and DO/WILL BINARY; the logon works the same.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/s3270_lib.sh"

# Bad command lines and scripts are refused with status 2 and a message.
for bad in "--port 70000" "--fault bogus" "--app /nonexistent/x.app" "--reject NO-SUCH-REASON" "--lu-pool A1-B2"; do
    status=0
    "$TESTHOST_BIN" $bad >/dev/null 2>"$WORK/err" || status=$?
    [ "$status" = 2 ] || fail "'testhost $bad' ended with $status, not 2"
    grep -q "testhost: " "$WORK/err" || fail "'testhost $bad' gave no message"
done
printf 'screen a\n  on enter : goto b\nend\n' >"$WORK/bad.app"
"$TESTHOST_BIN" --app "$WORK/bad.app" --check 2>"$WORK/err" && fail "a bad script was accepted"
grep -q "bad.app:2: goto names screen 'b'" "$WORK/err" || fail "unclear script error: $(cat "$WORK/err")"

# Two clients at once get two LUs; the second one just looks at the logon panel.
start_host --max-sessions 2
s3_start
s3_must "Connect(127.0.0.1:$PORT)" "Wait(10,InputField)"
printf 'Connect(127.0.0.1:%s)\nWait(10,InputField)\nAscii(3,0,1,40)\nDisconnect()\nQuit()\n' "$PORT" |
    timeout 30 s3270 >"$WORK/second.out" 2>&1
grep -q "LU ORKLU002" "$WORK/second.out" || fail "second client: $(cat "$WORK/second.out")"
logon alice s3cret
s3_must "Query(Tn3270eOptions)"
grep -q "BIND-IMAGE" <<<"$S3_DATA" || fail "s3270 did not agree BIND-IMAGE: $S3_DATA"
s3_must "PF(3)" "Wait(10,InputField)"
screen_has "Logged off."
s3_bye
log_has 'READY TN3270E terminal=IBM-327[89]-[2-5](-E)? lu=ORKLU001'
log_has 'FIELD password [0-9]+,[0-9]+ "s3cret"'
log_has 'SCREEN \| ORKAN DEMO HOST - MAIN MENU'
log_lacks 'SCREEN .*s3cret'
log_lacks 'ERROR'

run_plain() {  # $1: host option or "", $2: s3270 host prefix
    start_host --once $1
    s3_start
    s3_must "Connect(${2}127.0.0.1:$PORT)" "Wait(10,InputField)"
    logon bob pw123
    s3_bye
        log_has 'READY TN3270 terminal='
    local order
    order=$(grep -E 'TELNET>' "$HOST_LOG" | sed 's/^#1 [0-9.]* TELNET> //' | tr '\n' '|')
    case "$order" in
        *"IAC DO TERMINAL-TYPE|IAC SB TERMINAL-TYPE SEND IAC SE|IAC DO EOR IAC WILL EOR IAC DO BINARY IAC WILL BINARY|"*) ;;
        *) fail "negotiation order was: $order" ;;
    esac
}

run_plain "" "N:"            # the client refuses TN3270E
grep -q 'TELNET< IAC WONT TN3270E' "$HOST_LOG" || fail "the client did not refuse TN3270E"
run_plain "--no-tn3270e" ""  # the host does not offer it
grep -q 'TN3270E' <(grep TELNET "$HOST_LOG") && fail "a plain-only host mentioned TN3270E"
echo "PASS"
