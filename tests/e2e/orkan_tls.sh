#!/usr/bin/env bash
# TLS from the headless program against testhost, with certificates made here by the openssl
# command. The host list of orkan.ini carries the certificate settings (CA_Certs, Client_Certs,
# Client_Keys, Validate_Host_Cert, Domain_Must_Match_Host) to a session file that names the host
# entry. A certificate from a trusted CA for another name (wronghost.example) is refused for
# 127.0.0.1 and for localhost when the host has no stored host entry (a new host); one that names
# the host is taken. A --tls value that is not a TLS choice is a command-line error, never a plain connection.
# (Every certificate, protocol and client certificate case of the connection itself, against
# `openssl s_server`: tests/net/data/tls_connections.tsv.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
self_signed ca "/CN=Orkan Test CA"
leaf host "/CN=localhost" "DNS:localhost,IP:127.0.0.1" ca 30

# --- testhost under TLS: the whole logon panel through TLS, the certificate fully checked
start_host --tls-cert "$CERTS/host.pem" --tls-key "$CERTS/host-key.pem"
host_list tlshost "$HOST_PORT" "$CERTS/ca.pem" 1 1
make_session tls host=tlshost ipname=localhost
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
# (Every value's text: tests/app/data/command_line.txt.)
expect_run tls_word 8 "TLS choice 'yes' is invalid" --host "127.0.0.1:$HOST_PORT" --tls yes
expect_run tls_empty 8 "option '--tls' needs a value" --host "127.0.0.1:$HOST_PORT" --tls ""
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


# --- a host entry's own settings reach the handshake: Domain_Must_Match_Host=0 takes a certificate
#     for another name, Validate_Host_Cert=0 a self-signed one, and Client_Certs and Client_Keys give
#     `openssl s_server` the client certificate it asks for (TLS 1.2, where a refusal ends it)
self_signed self "/CN=localhost" DNS:localhost
leaf client "/CN=orkan-client" "DNS:orkan-client" ca 30
for checks in "wronghost 1 0" "self 0 0"; do
    read -r cert validate match <<<"$checks"
    start_host --tls-cert "$CERTS/$cert.pem" --tls-key "$CERTS/$cert-key.pem"
    host_list tlshost "$HOST_PORT" "$CERTS/ca.pem" "$validate" "$match"
    start_at_logon "entry_$cert" tls
    term_ok "entry_$cert"
    stop_host
done
mkfifo "$WORK/server.in"
exec {server_in}<>"$WORK/server.in" # held open: s_server reads no end of input
exec {fd}< <(exec timeout -k 5 "$LIFETIME" openssl s_server -accept 0 -naccept 1 -cert "$CERTS/host.pem" \
    -key "$CERTS/host-key.pem" -Verify 1 -verify_return_error -CAfile "$CERTS/ca.pem" -tls1_2 <"$WORK/server.in" 2>&1)
track $!
OFD[server]=$fd
expect_out server ACCEPT
host_list tlshost "$(sed -n 's/^ACCEPT .*:\([0-9]*\)$/\1/p' "$WORK/server.out" | tail -n 1)" "$CERTS/ca.pem" 1 1 \
    "Client_Certs=$CERTS/client.pem," "Client_Keys=$CERTS/client-key.pem,"
start_orkan client tls
expect_out server "subject=CN = orkan-client"
finish_orkan client TERM
expect_rc 0 "the session with a client certificate should have stayed until SIGTERM"

echo "PASS"
