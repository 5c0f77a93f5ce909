#!/usr/bin/env bash
# Plain TN3270: once with a host that offers TN3270E to a client that refuses it, once with a host
# that offers plain TN3270 only. Both follow the order real servers use: DO TERMINAL-TYPE, SB
# TERMINAL-TYPE SEND, then DO/WILL EOR and DO/WILL BINARY; the logon works the same.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/s3270_lib.sh"
require_peers

run_plain() {  # $1: host option or "", $2: s3270 host prefix
    start_host --once $1
    s3_start
    s3_must "Connect(${2}127.0.0.1:$PORT)" "Wait(10,InputField)"
    screen_has "Mode TN3270 "
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
