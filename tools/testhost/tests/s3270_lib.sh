# Helpers for the end-to-end tests that run s3270 (an independent 3270 client) against testhost.
# Sourced by tests/e2e/s3270_*.sh. Every process started here is stopped on exit.

set -u

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${HOST_LOG:-}" ] && [ -f "$HOST_LOG" ]; then
        echo "--- last lines of the host log:" >&2
        grep -vE ' (HEX[<>]|SCREEN) ' "$HOST_LOG" | tail -n 25 >&2
    fi
    exit 1
}

require_peers() {
    if ! command -v s3270 >/dev/null 2>&1; then
        echo "SKIP: s3270 is not installed (Debian package s3270; 'make deps' installs it)" >&2
        exit 77
    fi
    [ -n "${TESTHOST_BIN:-}" ] && [ -x "$TESTHOST_BIN" ] || fail "TESTHOST_BIN does not name the testhost program"
}

WORK=$(mktemp -d)
HOST_PID=""
S3_PID=""
cleanup() {
    if [ -n "$S3_PID" ]; then
        echo "Quit()" >&"${S3[1]}" 2>/dev/null || true
        kill "$S3_PID" 2>/dev/null || true
        wait "$S3_PID" 2>/dev/null || true
    fi
    if [ -n "$HOST_PID" ]; then
        kill "$HOST_PID" 2>/dev/null || true
        wait "$HOST_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

# start_host ARGS...: starts testhost on a free port with a session log; sets PORT and HOST_LOG.
start_host() {
    HOST_LOG="$WORK/host.log"
    # The child truncates host.out only when it starts: remove the last host's port first, or a
    # busy machine lets us read it back before the new host has written its own.
    rm -f "$WORK/host.out"
    "$TESTHOST_BIN" --port 0 --log "$HOST_LOG" "$@" >"$WORK/host.out" 2>"$WORK/host.err" &
    HOST_PID=$!
    # Up to 30 s: a loaded machine (make test runs tests side by side) can be slow to start it.
    for _ in $(seq 600); do
        [ -s "$WORK/host.out" ] && break
        kill -0 "$HOST_PID" 2>/dev/null || { cat "$WORK/host.err" >&2; fail "testhost did not start"; }
        sleep 0.05
    done
    PORT=$(head -n 1 "$WORK/host.out")
    case "$PORT" in ''|*[!0-9]*) fail "testhost printed no port: '$PORT'";; esac
}

# wait_host: waits for a --once host to finish; it must end with status 0.
wait_host() {
    for _ in $(seq 100); do
        kill -0 "$HOST_PID" 2>/dev/null || break
        sleep 0.05
    done
    HOST_STATUS=0
    wait "$HOST_PID" || HOST_STATUS=$?
    HOST_PID=""
    if [ "$HOST_STATUS" != 0 ]; then
        cat "$WORK/host.err" >&2
        fail "testhost ended with status $HOST_STATUS"
    fi
}

# s3_start [s3270 options]: runs s3270 as a coprocess that takes actions on its standard input.
s3_start() {
    coproc S3 { exec s3270 "$@" 2>&1; }
}

# s3 ACTION: runs one action; S3_DATA holds its data lines (newline-separated, "data: " cut
# off) and the return status says whether s3270 answered "ok".
s3() {
    echo "$1" >&"${S3[1]}"
    S3_DATA=""
    local line
    while IFS= read -r -t 30 line <&"${S3[0]}"; do
        case "$line" in
            ok) return 0 ;;
            error) return 1 ;;
            data:\ *) S3_DATA+="${line#data: }"$'\n' ;;
            data:*) S3_DATA+=$'\n' ;;
        esac
    done
    fail "s3270 did not answer '$1'"
}

s3_must() { s3 "$1" || fail "s3270 action '$1' failed: $S3_DATA"; }

# screen_has TEXT: the screen (Ascii()) holds TEXT, at once or within 10 seconds: a host
# answer of several records may reach s3270 in more than one read.
screen_has() {
    for _ in $(seq 200); do
        s3_must "Ascii()"
        grep -qF -- "$1" <<<"$S3_DATA" && return 0
        sleep 0.05
    done
    echo "$S3_DATA" >&2
    fail "screen lacks '$1'"
}

log_has() { grep -qE -- "$1" "$HOST_LOG" || { cat "$HOST_LOG" >&2; fail "host log lacks /$1/"; }; }
log_lacks() { ! grep -qE -- "$1" "$HOST_LOG" || fail "host log holds /$1/"; }

# logon USER PASSWORD: fills the demo's logon panel and checks that the main menu follows.
logon() {
    s3_must "Wait(10,InputField)"
    screen_has "ORKAN DEMO HOST"
    screen_has "User id"
    s3_must "String(\"$1\")"
    s3_must "Tab()"
    s3_must "String(\"$2\")"
    s3_must "Enter()"
    s3_must "Wait(10,InputField)"
    screen_has "MAIN MENU"
    screen_has "User $1"
}

# menu OPTION: picks an option of the demo's main menu.
menu() {
    s3_must "Wait(10,Unlock)"
    s3_must "String(\"$1\")"
    s3_must "Enter()"
    s3_must "Wait(10,Unlock)"
}
