#!/usr/bin/env bash
# Keep-alive bytes on the wire at the interval orkan.ini sets, under TLS, where a byte outside TLS
# would break the host's TLS layer, and the auto-reconnect of a session whose host says hello and
# hangs up. (The interval and bytes in the clear, and the end without auto-reconnect:
# tests/app/session_runtime_test.cpp and orkan_errors.sh.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"

# nops COUNT: waits until the host log holds COUNT keep-alives; prints their times.
nops() {
    timeout "$PATIENCE" tail -n +1 -f "$HOST_LOG" | grep --line-buffered -m "$1" 'TELNET< IAC NOP$' |
        awk '{print $2}' >"$WORK/nops"
    [ "$(wc -l <"$WORK/nops")" -ge "$1" ] || fail "fewer than $1 keep-alives reached the host"
}

# spaced_by SECONDS: the keep-alives came SECONDS apart on average (one late tick on a busy machine
# must not fail the test, a wrong interval must).
spaced_by() {
    awk -v want="$1" 'NR == 1 { first = $1 } { last = $1; n = NR }
        END { mean = (last - first) / (n - 1); if (mean < want * 0.8 || mean > want * 1.4) { print mean; exit 1 } }' \
        "$WORK/nops" || fail "keep-alives were not $1 s apart: $(tr '\n' ' ' <"$WORK/nops")"
}

# --- every second under TLS; the session stays open and keeps answering
self_signed host /CN=localhost
start_host --tls-cert "$CERTS/host.pem" --tls-key "$CERTS/host-key.pem"
# The certificate is self-signed: the host's entry in the host list turns the certificate check off.
write_ini "KeepAliveTime=1" "Hostnames=127.0.0.1:$HOST_PORT," "Validate_Host_Cert=0,"
start_at_logon tls --host "127.0.0.1:$HOST_PORT" --tls 1
nops 4
spaced_by 1
log_has 'TLS handshake done: TLSv1\.3'
grep -q ' ERROR \| CLOSE ' "$HOST_LOG" && fail "the host saw something wrong under TLS"
term_ok tls
stop_host

# --- a host that says hello and hangs up, with AUTORECONNECT on: the session comes back
write_ini "KeepAliveTime=0"
start_host --app "$LIB_DIR/hello_goodbye.app"
make_session again host="127.0.0.1:$HOST_PORT" autoreconnect=1
start_until again "--- screen 1 ---" again
expect_out again "Hello, terminal"
expect_out again "--- screen 2 ---"
expect_out again "Hello, terminal"
term_ok again
[ "$(grep -c ' OPEN from ' "$HOST_LOG")" -ge 2 ] || fail "the session did not connect again"

stop_host

echo "PASS"
