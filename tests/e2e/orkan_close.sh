#!/usr/bin/env bash
# SIGTERM ends the program at once, whatever its connection is doing: connecting to a host that
# never answers, taking a trickle of bytes, in the middle of a TLS handshake, writing screens to a
# reader that stopped reading. It still closes cleanly (status 0, or 4 when a command line's macro
# had not ended). (A session's letter free again after its end: orkan_sessions.sh.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
QUICK_MS=3000  # "at once" on a busy shared machine, the 0.37 s pause before saving included

# quick_term NAME [STATUS]: SIGTERM, then the program must be gone within QUICK_MS and end with
# STATUS (0).
quick_term() {
    local started=$(date +%s%N)
    finish_orkan "$1" TERM
    local took=$((($(date +%s%N) - started) / 1000000))
    expect_rc "${2:-0}" "$1 after SIGTERM"
    [ "$took" -le "$QUICK_MS" ] || fail "$1 took $took ms to close"
    echo "$1 closed in $took ms"
}

# --- a host that never answers the connect
peer full
if [ "$PEER_PORT" = none ]; then
    echo "note: this machine answers every loopback connect; the never-answering case was not run" >&2
else
    start_orkan unanswered --host "127.0.0.1:$PEER_PORT"
    # The connect is under way once the kernel shows it as sent and unanswered; the peer's own
    # filler sockets are in that state too, so only the program's socket counts.
    syn_sent() { ss -tnp state syn-sent "( dport = :$PEER_PORT )" 2>/dev/null | grep -q '"orkan3270"'; }
    waitfor 30 syn_sent || true
    quick_term unanswered
fi

# --- a host that sends one byte per write, late
start_host --fault byte-per-write --fault slow=200
start_orkan trickle --dump --host "127.0.0.1:$HOST_PORT"
timeout "$PATIENCE" tail -n +1 -f "$HOST_LOG" | grep -q -m 1 ' OPEN from '
quick_term trickle
stop_host

# --- a TLS handshake the host never finishes
peer tls
start_orkan handshake --host "127.0.0.1:$PEER_PORT" --tls 1
read -r -t "$PATIENCE" -u "$PEER_FD" said || fail "no ClientHello reached the peer"
[ "$said" = hello ] || fail "the peer said '$said'"
quick_term handshake

# --- a --dump reader that stopped reading: the screens fill the pipe, and the signal still ends it
start_host
start_orkan stalled --dump --host "127.0.0.1:$HOST_PORT" \
    --run 'WAITUNLOCKED(30) ; WHILE 1 ; KEY("Clear") ; WAITUNLOCKED(30) ; ENDWHILE'
# pipe_filled: the program's stdout pipe holds more than half its 64 KiB and takes no more.
pipe_filled() {
    python3 -c 'import array, fcntl, sys, termios, time
def waiting():
    n = array.array("i", [0])
    fcntl.ioctl(int(sys.argv[1]), termios.FIONREAD, n)
    return n[0]
before = waiting()
time.sleep(0.5)
sys.exit(not (before > 32768 and waiting() == before))' "${OFD[stalled]}"
}
waitfor "$PATIENCE" pipe_filled || fail "the screens never filled the pipe"
quick_term stalled 4
stop_host

# A command line's macro cut off by the signal did not succeed, also while it waited for its host
# to start (one cut off while it ran: the stalled reader above and macro_headless.sh).
peer tls
printf 'EXIT 0\n' >"$WORK/quick.mac"
start_orkan connecting --host "127.0.0.1:$PEER_PORT" --tls 1 --macro "$WORK/quick.mac"
read -r -t "$PATIENCE" -u "$PEER_FD" said || fail "no ClientHello reached the second peer"
quick_term connecting 4

echo "PASS"
