#!/usr/bin/env bash
# TLS names from the headless program against testhost: a certificate from a trusted CA for another
# name (wronghost.example) is refused for 127.0.0.1 and for localhost when the host has no stored
# host entry (a new host); one that names the host is taken. A --tls value that is not a TLS
# choice is a command-line error, never a plain connection.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
command -v openssl >/dev/null || fail "openssl is missing"
prepare_appdata
issuer ca "/CN=Orkan Test CA"
leaf wronghost "/CN=wronghost.example" "DNS:wronghost.example" ca 30
leaf right "/CN=Orkan Test Host" "DNS:localhost,IP:127.0.0.1" ca 30
# A new host has no CA file of its own: the test CA is the system's for these runs.
export SSL_CERT_FILE="$CERTS/ca.pem"

# --- values that are not TLS choices: status 8, and the host never hears of the program
start_host
for value in yes 6 TLS1.2 ""; do
    expect_run "tls_$value" 8 "" --host "127.0.0.1:$HOST_PORT" --tls "$value"
    if [ -n "$value" ]; then err_has "tls_$value" "TLS choice '$value' is invalid"
    else err_has "tls_$value" "option '--tls' needs a value"; fi
done
grep -q ' OPEN from ' "$HOST_LOG" && fail "a bad --tls value connected"
stop_host

# --- a new host: the certificate must name it
start_host --tls-cert "$CERTS/wronghost.pem" --tls-key "$CERTS/wronghost-key.pem"
for host in 127.0.0.1 localhost; do
    expect_run "wrong_$host" 3 "Certificate host name wronghost.example does not match" --host "$host:$HOST_PORT" --tls 1
done
stop_host

# --- the right name, for the address and the name
start_host --tls-cert "$CERTS/right.pem" --tls-key "$CERTS/right-key.pem"
for host in 127.0.0.1 localhost; do
    start_at_logon "right_$host" --host "$host:$HOST_PORT" --tls 1
    term_ok "right_$host"
done

echo "PASS"
