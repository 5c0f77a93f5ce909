#!/usr/bin/env bash
# The ground every end-to-end script stands on, sourced by the library of its kind (headless_lib,
# desktop_lib, s3270_lib): a work folder removed at exit with every process the script started,
# the latest first; failures that show the last lines of each output and of the host's log;
# skips; bounded waits; testhost on a free loopback port. Sourced, not run.

set -u

WORK=$(mktemp -d)
PATIENCE=60   # seconds a single wait may take; reached only when something hangs
LIFETIME=240  # seconds any program started here may live
CLEANUP_PIDS=()
CLEANUP_SIGNAL=TERM  # TERM, which `timeout` passes on to the program it runs
HOST_PID=""

# track PID: ended at exit, the latest first (a clipboard owner before the program, the program
# before its host and X server).
track() { CLEANUP_PIDS=("$1" "${CLEANUP_PIDS[@]}"); }
cleanup() {
    local pid
    for pid in "${CLEANUP_PIDS[@]}"; do
        kill "-$CLEANUP_SIGNAL" "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    local f
    for f in "$WORK"/*.err "$WORK"/*.out; do
        [ -s "$f" ] || continue
        echo "--- $(basename "$f"):" >&2
        tail -n 20 "$f" >&2
    done
    if [ -f "${HOST_LOG:-$WORK/host.log}" ]; then
        echo "--- host log:" >&2
        grep -vE ' (HEX[<>]|SCREEN) ' "${HOST_LOG:-$WORK/host.log}" | tail -n 30 >&2
    fi
    exit 1
}
skip() {
    echo "SKIP: $*" >&2
    exit 77
}

# waitfor SECONDS CONDITION...: polls every 50 ms.
waitfor() {
    local tries=$(($1 * 20))
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}

# start_host ARGS...: testhost (the demo unless ARGS name an application) on a free loopback port
# with a session log: PORT (also HOST_PORT), HOST_PID, HOST_LOG. A testhost not built is a failure.
start_host() {
    [ -x "${TESTHOST_BIN:-}" ] || fail "testhost is not built (TESTHOST_BIN: '${TESTHOST_BIN:-}')"
    HOST_LOG="$WORK/host.log"
    : >"$HOST_LOG"
    # The last host's port must not be read back before the new host has written its own.
    rm -f "$WORK/host.out"
    # --foreground: a signal passes to the host alone (see start_orkan).
    timeout --foreground -k 5 "$LIFETIME" "$TESTHOST_BIN" --port 0 --log "$HOST_LOG" "$@" >"$WORK/host.out" 2>"$WORK/host.err" &
    HOST_PID=$!
    track "$HOST_PID"
    waitfor "$PATIENCE" host_started || fail "testhost did not start: $(cat "$WORK/host.err")"
    PORT=$(head -n 1 "$WORK/host.out")
    case "$PORT" in '' | *[!0-9]*) fail "testhost printed no port: '$PORT'" ;; esac
    HOST_PORT=$PORT
}
host_started() {
    [ -s "$WORK/host.out" ] && return 0
    kill -0 "$HOST_PID" 2>/dev/null || fail "testhost ended at its start: $(cat "$WORK/host.err")"
    return 1
}

stop_host() {
    [ -n "$HOST_PID" ] || return 0
    kill "$HOST_PID" 2>/dev/null || true
    wait "$HOST_PID" 2>/dev/null || true
    HOST_PID=""
}

# wait_host: waits for a --once host to finish; it must end with status 0.
wait_host() {
    local status=0
    wait "$HOST_PID" || status=$?
    HOST_PID=""
    [ "$status" = 0 ] || fail "testhost ended with status $status: $(cat "$WORK/host.err")"
}

# exchange LOG: what a session's terminal sent and the host's rules made of it, from a host log.
exchange() { sed -n 's/^#[0-9]* [0-9.]* \(\(INPUT\|FIELD\|RULE\) .*\)$/\1/p' "$1"; }
# ossl ARGS...: openssl, its output in $WORK/openssl.log.
ossl() { openssl "$@" >>"$WORK/openssl.log" 2>&1 || fail "openssl $1 failed: $(tail -n 3 "$WORK/openssl.log")"; }
# Certificates made for the test in $CERTS: self_signed NAME SUBJECT [ALTNAMES] one of its own (a
# CA too, as openssl req makes them); leaf NAME SUBJECT ALTNAMES ISSUER DAYS one that ISSUER issued.
# Each is NAME.pem with its key NAME-key.pem.
CERTS="$WORK/certs"
leaf() {
    ossl req -newkey rsa:2048 -nodes -keyout "$CERTS/$1-key.pem" -out "$CERTS/$1.csr" -subj "$2"
    printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth,clientAuth\n' "$3" >"$CERTS/$1.ext"
    ossl x509 -req -in "$CERTS/$1.csr" -CA "$CERTS/$4.pem" -CAkey "$CERTS/$4-key.pem" -CAcreateserial \
        -days "$5" -extfile "$CERTS/$1.ext" -out "$CERTS/$1.pem"
}
self_signed() {
    mkdir -p "$CERTS"
    ossl req -x509 -newkey rsa:2048 -nodes -keyout "$CERTS/$1-key.pem" -out "$CERTS/$1.pem" -days 30 \
        -subj "$2" ${3:+-addext "subjectAltName=$3"}
}

# The application data folder ($APPDATA, set by the library of its kind) as a first start leaves
# it, made beforehand so a test can put its own session files and orkan.ini there.
LIB_DIR="$(dirname "${BASH_SOURCE[0]}")"
DATA="${ORKAN_BINARY_DIR:-}/share/orkan3270"
prepare_appdata() {
    mkdir -p "$APPDATA/macros" "$APPDATA/certs"
    cp "$DATA"/defaults/*.* "$APPDATA/" 2>/dev/null || true
    [ -f "$APPDATA/standard.ses" ] || fail "the program's defaults have no standard.ses"
}

# make_session NAME field=value ...: NAME.ses in the application data folder.
make_session() {
    local name=$1
    shift
    python3 "$LIB_DIR/make_session.py" "$DATA/defaults/standard.ses" "$APPDATA/$name.ses" "$@" ||
        fail "could not write $name.ses"
}

# write_ini LINE...: orkan.ini with section [Orkan] and these lines.
write_ini() {
    { echo "[Orkan]"; printf '%s\n' "$@"; } >"$APPDATA/orkan.ini"
}
# host_list NAME PORT CA VALIDATE MATCH [LINE...]: orkan.ini with these lines and a host list of one
# TLS entry NAME on localhost with the certificate settings given (Validate_Host_Cert, Domain_Must_Match_Host).
host_list() {
    write_ini "${@:6}" "Hostnames=$1," "IPnames=localhost," "Portnums=$2," "TN3270E=1," "SSL=6," "Lunames=," \
        "KeepAliveTimes=0," "CA_Certs=$3," "Validate_Host_Cert=$4," "Domain_Must_Match_Host=$5,"
}

log_has() { grep -qE -- "$1" "$HOST_LOG" || fail "host log lacks /$1/"; }
log_lacks() { ! grep -qE -- "$1" "$HOST_LOG" || fail "host log holds /$1/"; }
