#!/usr/bin/env bash
# The streaming benchmark, TLS and the socket faults, seen from s3270: the stream ends with a
# Read Buffer that matches the last screen and a timing line on standard output; a TLS session
# logs on; one byte per write and slow answers still give the logon panel. (close-after cutting a
# session: orkan_errors.sh.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/s3270_lib.sh"


# Stream at the default size, then at model 4's alternate size.
for alt in "" "--stream-alternate"; do
    start_host --once --stream 300 $alt
    s3_start -model 3279-4-E
    s3_must "Connect(127.0.0.1:$PORT)"
    screen_has "STREAM DONE: 300 screens"
    s3_bye
    line=$(sed -n 2p "$WORK/host.out")
    echo "$line"
    case "$line" in
        "stream: 300 screens of "*"the Read Buffer reply matches the last screen") ;;
        *) fail "stream result: $line" ;;
    esac
    if [ -n "$alt" ]; then grep -q "of 43x80" <<<"$line" || fail "alternate stream was not 43x80"; fi
done

# TLS with a certificate made for the occasion.
command -v openssl >/dev/null || skip "openssl is missing"
self_signed host /CN=localhost
start_host --once --tls-cert "$CERTS/host.pem" --tls-key "$CERTS/host-key.pem"
s3_start -noverifycert
s3_must "Connect(L:127.0.0.1:$PORT)"
logon erin pw
s3_must "Query(Tls)"
grep -q secure <<<"$S3_DATA" || fail "s3270 does not see TLS: $S3_DATA"
s3_bye
log_has 'TLS handshake done: TLSv1\.[23]'

# One byte per write and slow answers: slower, but the same session.
start_host --once --fault byte-per-write --fault slow=100
s3_start
s3_must "Connect(127.0.0.1:$PORT)"
logon fred pw
s3_bye
echo "PASS"
