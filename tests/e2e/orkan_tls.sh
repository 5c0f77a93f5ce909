#!/usr/bin/env bash
# TLS from the headless program against testhost, with certificates made here by the openssl
# command. The host list of orkan.ini carries the certificate settings (CA_Certs,
# Validate_Host_Cert, Domain_Must_Match_Host) to a session file that names the host entry. A
# certificate from a trusted CA for another name (wronghost.example) is refused for 127.0.0.1 and
# for localhost when the host has no stored host entry (a new host); one that names the host is
# taken. A --tls value that is not a TLS choice is a command-line error, never a plain connection.
# (Every certificate, protocol and client certificate case of the connection itself, against
# `openssl s_server`: tests/net/data/tls_connections.tsv.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
command -v openssl >/dev/null || fail "openssl is missing"
prepare_appdata
self_signed ca "/CN=Orkan Test CA"
leaf host "/CN=localhost" "DNS:localhost,IP:127.0.0.1" ca 30

# --- testhost under TLS: the whole logon panel through TLS, the certificate fully checked
start_host --tls-cert "$CERTS/host.pem" --tls-key "$CERTS/host-key.pem"
write_ini "Hostnames=tlshost," "IPnames=localhost," "Portnums=$HOST_PORT," "TN3270E=1," "SSL=6," "Lunames=," \
    "KeepAliveTimes=0," "CA_Certs=$CERTS/ca.pem," "Validate_Host_Cert=1," "Domain_Must_Match_Host=1,"
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

echo "PASS"
