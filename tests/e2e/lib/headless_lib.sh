# Helpers for the end-to-end tests of the headless program (tests/e2e/orkan_*.sh and others): a
# private HOME and runtime folder per test, so no test meets the user's sessions or another test's,
# with the application data folder as a first start leaves it;
# the headless program with its screens read from a pipe as they come. Every wait is a blocking
# read or wait with a generous bound, and every process started is stopped.

. "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

export HOME="$WORK/home"
export XDG_RUNTIME_DIR="$WORK/run"
unset XDG_CONFIG_HOME
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
APPDATA="$HOME/.config/orkan3270"

declare -A OPID OFD

: "${ORKAN_BINARY_DIR:?}"
[ -x "${ORKAN_BIN:-}" ] || fail "ORKAN_BIN does not name the program"
prepare_appdata

# start_orkan NAME ARGS...: the headless program (under `timeout`, which passes signals on); its
# stdout is read with expect_out NAME, its stderr goes to $WORK/NAME.err. A signal passed on also
# starts the kill-after time: an ASan build on a loaded machine may take seconds to end, so it is
# long enough that only a hang meets it. --foreground: a signal passes to the program alone; without
# it `timeout` follows it with SIGCONT, which cancels the stop a leak checker's tracer waits for when
# the program already reached its exit (the sanitizer build then waits for good).
start_orkan() {
    local name=$1
    shift
    local fd
    mkfifo "$WORK/$name.pipe"
    timeout --foreground -k 30 "$LIFETIME" "$ORKAN_BIN" --headless "$@" >"$WORK/$name.pipe" 2>"$WORK/$name.err" &
    OPID[$name]=$!
    track "${OPID[$name]}"
    exec {fd}<"$WORK/$name.pipe"
    OFD[$name]=$fd
    rm "$WORK/$name.pipe"
    : >"$WORK/$name.out"
}

# expect_out NAME TEXT: reads NAME's stdout until a line holds TEXT (fixed string).
expect_out() {
    local name=$1 text=$2 line
    while IFS= read -r -t "$PATIENCE" -u "${OFD[$name]}" line; do
        printf '%s\n' "$line" >>"$WORK/$name.out"
        case "$line" in *"$text"*) return 0 ;; esac
    done
    fail "$name never printed '$text'"
}

# no_child PID: the program `timeout` (PID) started has ended, or the kernel does not say.
no_child() { [ -z "$(cat "/proc/$1/task/$1/children" 2>/dev/null)" ]; }

# finish_orkan NAME [SIGNAL]: signals it (when given) and waits for the end; RC holds the status
# (137 when `timeout` killed it).
finish_orkan() {
    local name=$1 signal=${2:-}
    local pid=${OPID[$name]}
    [ -n "$signal" ] && kill "-$signal" "$pid" 2>/dev/null
    # Still there 20 s after its signal, it hangs: where each of its threads waits and their stacks, for the report.
    if [ -n "$signal" ] && ! waitfor 20 no_child "$pid"; then
        local child
        child=$(cut -d' ' -f1 "/proc/$pid/task/$pid/children" 2>/dev/null) || true
        # Its own children too: a sanitizer's exit-time leak check runs in a child it waits for.
        for task in /proc/$child/task/* $(sed 's|[0-9][0-9]*|/proc/&|g' /proc/$child/task/*/children 2>/dev/null); do
            echo "$name: ${task#/proc/} $(cut -d' ' -f2,3 "$task/stat") waits in $(cat "$task/wchan"), syscall $(cut -d' ' -f1 "$task/syscall")" >&2
            sed 's/^/    kernel: /' "$task/stack" >&2 2>/dev/null || true
        done
        gdb -batch -p "$child" -ex "thread apply all bt" 2>&1 | grep -E '^(#|Thread)|ptrace|attach' >&2 || true
    fi
    RC=0
    wait "$pid" || RC=$?
    # What was still on the pipe, for later checks.
    cat <&"${OFD[$name]}" >>"$WORK/$name.out" 2>/dev/null || true
    exec {OFD[$name]}<&-
    unset "OPID[$name]" "OFD[$name]"
}

# start_until NAME TEXT ARGS...: the program with --dump, once its screens have shown TEXT.
start_until() {
    start_orkan "$1" --dump "${@:3}"
    expect_out "$1" "$2"
}
# start_at_logon NAME ARGS...: the same, up to the demo's logon panel.
start_at_logon() { start_until "$1" "User id" "${@:2}"; }

# term_ok NAME: SIGTERM ends it cleanly, with status 0.
term_ok() {
    finish_orkan "$1" TERM
    expect_rc 0 "$1 after SIGTERM"
}

# run_orkan NAME ARGS...: runs the program to its end; RC holds the status.
run_orkan() {
    local name=$1
    shift
    start_orkan "$name" "$@"
    finish_orkan "$name"
}

# peer MODE: a loopback peer that prints its port (PEER_PORT), then (tls mode) "hello" once the
# ClientHello came; its output is read from PEER_FD.
#   full:   its accept queue is filled, so a further connect is never answered ("none": impossible here)
#   tls:    takes the connection and never answers the ClientHello
peer() {
    exec {PEER_FD}< <(exec timeout -k 5 "$LIFETIME" python3 -c '
import signal, socket, sys
mode = sys.argv[1]
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(0)
port = s.getsockname()[1]
fillers = []
if mode == "full":
    for _ in range(32):
        f = socket.socket()
        f.setblocking(False)
        f.connect_ex(("127.0.0.1", port))
        fillers.append(f)
        import select
        if not select.select([], [f], [], 0.3)[1]:
            break
    else:
        port = "none"
print(port, flush=True)
if mode == "tls":
    c, _ = s.accept()
    c.recv(1)
    print("hello", flush=True)
signal.pause()
' "$1")
    track $!
    read -r -t "$PATIENCE" -u "$PEER_FD" PEER_PORT || fail "the peer did not start"
}

# expect_run NAME STATUS TEXT ARGS...: runs the program to its end; it must end with STATUS and its
# stderr hold TEXT (unless TEXT is empty).
expect_run() {
    local name=$1 status=$2 text=$3
    shift 3
    run_orkan "$name" "$@"
    expect_rc "$status" "$name"
    [ -z "$text" ] || err_has "$name" "$text"
}

err_has() { grep -qF -- "$2" "$WORK/$1.err" || fail "$1's stderr lacks '$2'"; }
expect_rc() { [ "$RC" = "$1" ] || fail "exit status $RC, expected $1${2:+ ($2)}"; }
