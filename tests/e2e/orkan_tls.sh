#!/usr/bin/env bash
# TLS from the headless program against `openssl s_server` and against testhost, with certificates
# made here by the openssl command. The host list of orkan.ini carries the certificate settings
# (CA_Certs, Client_Certs, Client_Keys, Validate_Host_Cert, Domain_Must_Match_Host) to a session
# file that names the host entry; --tls picks the protocol. A certificate from a trusted CA for
# another name (wronghost.example) is refused for 127.0.0.1 and for localhost when the host has no
# stored host entry (a new host); one that names the host is taken. A --tls value that is not a TLS
# choice is a command-line error, never a plain connection.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
command -v openssl >/dev/null || fail "openssl is missing"
prepare_appdata
issuer ca "/CN=Orkan Test CA"
leaf host "/CN=localhost" "DNS:localhost,IP:127.0.0.1" ca 30
leaf wrongname "/CN=wrong.example" "DNS:wrong.example" ca 30
leaf client "/CN=orkan-client" "DNS:orkan-client" ca 30
self_signed self "/CN=localhost" DNS:localhost

# host_entry PORT VALIDATE MATCH [CLIENT]: orkan.ini with the host entry "tlshost" (localhost:PORT,
# TLS highest available, the CA above) and optionally a client certificate.
host_entry() {
    local client_cert="" client_key=""
    if [ -n "${4:-}" ]; then
        client_cert="$CERTS/$4.pem"
        client_key="$CERTS/$4-key.pem"
    fi
    write_ini "Hostnames=tlshost," "IPnames=localhost," "Portnums=$1," "TN3270E=1," "SSL=6," "Lunames=," \
        "KeepAliveTimes=0," "CA_Certs=$CERTS/ca.pem," "Client_Certs=$client_cert," "Client_Keys=$client_key," \
        "Validate_Host_Cert=$2," "Domain_Must_Match_Host=$3,"
}
make_session tls host=tlshost ipname=localhost

# start_server CERT ARGS...: s_server for one connection; its output is read with expect_out server.
start_server() {
    local cert=$1
    shift
    mkfifo "$WORK/server.in"
    exec {SERVER_IN}<>"$WORK/server.in"  # held open: the server reads no end of input
    exec {SERVER_FD}< <(exec timeout -k 5 "$LIFETIME" openssl s_server -accept 0 -naccept 1 \
        -cert "$CERTS/$cert.pem" -key "$CERTS/$cert-key.pem" "$@" <"$WORK/server.in" 2>&1)
    SERVER_PID=$!
    track "$SERVER_PID"
    OFD[server]=$SERVER_FD
    : >"$WORK/server.out"
    expect_out server "ACCEPT"
    rm "$WORK/server.in"
    SERVER_PORT=$(sed -n 's/^ACCEPT .*:\([0-9]*\)$/\1/p' "$WORK/server.out" | tail -n 1)
    [ -n "$SERVER_PORT" ] || fail "s_server printed no port"
}
stop_server() {
    kill "$SERVER_PID" 2>/dev/null
    wait "$SERVER_PID" 2>/dev/null
    exec {SERVER_FD}<&- {SERVER_IN}>&-
}

# tls_case NAME CERT VALIDATE MATCH MESSAGE [SERVER ARGS...]: s_server with CERT, and the host entry
# for it; with MESSAGE empty the handshake succeeds and the session stays until SIGTERM, else the
# program ends with status 3 and MESSAGE.
tls_case() {
    local name=$1 cert=$2 validate=$3 match=$4 message=$5
    shift 5
    start_server "$cert" "$@"
    host_entry "$SERVER_PORT" "$validate" "$match" "${CLIENT:-}"
    if [ -z "$message" ]; then
        start_orkan "$name" tls ${TLS_OPTION:-}
        expect_out server "CIPHER is "
        term_ok "$name"
    else
        expect_run "$name" 3 "$message" tls ${TLS_OPTION:-}
    fi
    stop_server
}
accepted() { tls_case "${@:1:4}" "" "${@:5}"; }
refused() { tls_case "$@"; }

# --- what orkan.ini's host entry and --tls choose reaches the handshake (every certificate and
#     protocol case of the connection itself: tests/net/data/tls_connections.tsv): --tls 4 (TLS
#     1.2) is refused by a TLS 1.3-only server, Validate_Host_Cert refuses a self-signed
#     certificate, Domain_Must_Match_Host another name, and Client_Certs/Client_Keys are sent
TLS_OPTION="--tls 4" refused tls12_only host 0 0 \
    "Orkan TN3270 Connection Error 6: Encryption Error - Please make sure the host supports the specified encryption protocol." -tls1_3
refused selfsigned_refused self 1 0 "Orkan TN3270 Connection Error 6: Encryption Error, Host certificate failed verification"
refused wrongname wrongname 0 1 "Orkan TN3270 Connection Error 6: Certificate host name wrong.example does not match"
CLIENT=client accepted client host 1 1 -Verify 1 -verify_return_error -CAfile "$CERTS/ca.pem" -tls1_2
grep -q "subject=CN = orkan-client" "$WORK/server.out" || fail "s_server did not see the client certificate"
# --- testhost under TLS: the whole logon panel through TLS, the certificate fully checked
start_host --tls-cert "$CERTS/host.pem" --tls-key "$CERTS/host-key.pem"
host_entry "$HOST_PORT" 1 1
start_at_logon testhost tls
term_ok testhost
log_has 'TLS handshake done: TLSv1\.3'
stop_host

# --- TLS names for a new host (no host entry): it has no CA file of its own, so the test CA is
#     the system's for these runs
leaf wronghost "/CN=wronghost.example" "DNS:wronghost.example" ca 30
leaf right "/CN=Orkan Test Host" "DNS:localhost,IP:127.0.0.1" ca 30
write_ini
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
