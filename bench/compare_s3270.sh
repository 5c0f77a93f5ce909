#!/usr/bin/env bash
# Streams the same N full 24x80 screens from testhost to our headless program and to s3270 and
# prints, for each, the elapsed time and CPU time (user + system) as bench/measured.py measures
# them, the peak memory (VmHWM, read once the last screen has been processed), the stream time
# testhost measured (first screen to the Read Buffer reply that proves every screen was
# processed), the time from the program's start to the demo host's first screen with the keyboard
# unlocked, and our figures as ratios of s3270's. Each client runs ROUNDS times against a fresh
# host; the best round of each counts, since the machine may be shared. ORKAN_PROGRAM names
# another build of ours, to compare before and after.
#
#   bench/compare_s3270.sh [BUILD_DIR] [SCREENS] [ROUNDS]     (defaults: build 20000 3)
set -euo pipefail
build=${1:-build}
screens=${2:-20000}
rounds=${3:-3}
program=${ORKAN_PROGRAM:-$build/orkan3270}  # another build of ours, for before and after
host="$build/tools/testhost/testhost"
for p in "$program" "$host"; do
    [ -x "$p" ] || { echo "compare_s3270: $p is not built" >&2; exit 1; }
done
command -v s3270 >/dev/null || { echo "compare_s3270: s3270 is not installed (Debian package s3270)" >&2; exit 77; }
measure="/usr/bin/python3 $(dirname "$0")/measured.py"

work=$(mktemp -d)
host_pid=""
client_pid=""
cleanup() {
    [ -n "$client_pid" ] && kill -KILL "$client_pid" 2>/dev/null
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
unset XDG_CONFIG_HOME
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

# start_host: a fresh host for one client; sets host_port and the descriptor host_out.
start_host() {
    exec {host_out}< <(exec "$host" --once --stream "$screens" --port 0 2>/dev/null)
    host_pid=$!
    read -r -t 60 -u "$host_out" host_port || { echo "compare_s3270: testhost did not start" >&2; exit 1; }
}

# stream_done: waits for the host's result line and prints the stream time it measured.
stream_done() {
    local line
    read -r -t 600 -u "$host_out" line || { echo "compare_s3270: the stream did not finish" >&2; exit 1; }
    case "$line" in
        *"the Read Buffer reply matches the last screen"*) ;;
        *) echo "compare_s3270: stream failed: $line" >&2; exit 1 ;;
    esac
    sed -n 's/.* bytes in \([0-9.]*\) s .*/\1/p' <<<"$line"
}

finish_host() {
    wait "$host_pid" 2>/dev/null || true
    host_pid=""
    exec {host_out}<&-
}

# peak_kb PID: the process's peak resident set so far.
peak_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }

# Each run prints "elapsed cpu peak_kb stream_s".
run_orkan() {
    start_host
    $measure --out "$work/time" -- "$program" --headless --host "127.0.0.1:$host_port" \
        >/dev/null 2>"$work/orkan.err" &
    client_pid=$!
    local stream
    stream=$(stream_done)
    local pid=""
    while [ -z "$pid" ]; do pid=$(sed -n 's/^orkan3270: session ., process \([0-9]*\)$/\1/p' "$work/orkan.err"); done
    local peak
    peak=$(peak_kb "$pid")
    kill -TERM "$pid"
    wait "$client_pid" || true
    client_pid=""
    finish_host
    awk -v s="$stream" -v m="$peak" '{ printf "%.2f %.3f %s %s\n", $1 / 1000, $2 / 1000, m, s }' "$work/time"
}

run_s3270() {
    start_host
    rm -f "$work/s.in"
    mkfifo "$work/s.in"
    $measure --out "$work/time" -- s3270 -model 3279-2-E <"$work/s.in" >/dev/null 2>&1 &
    client_pid=$!
    exec {to_s3270}>"$work/s.in"
    echo "Connect(127.0.0.1:$host_port)" >&"$to_s3270"
    local stream peak
    stream=$(stream_done)
    peak=$(peak_kb "$(tr -d ' \n' <"/proc/$client_pid/task/$client_pid/children")")  # s3270, measured.py's child
    echo "Quit()" >&"$to_s3270"
    exec {to_s3270}>&-
    wait "$client_pid" || true
    client_pid=""
    finish_host
    awk -v s="$stream" -v m="$peak" '{ printf "%.2f %.3f %s %s\n", $1 / 1000, $2 / 1000, m, s }' "$work/time"
}

now_ms() { date +%s%3N; }

# start_demo: the demo application on a fresh host; sets host_port.
start_demo() {
    exec {host_out}< <(exec "$host" --once --port 0 2>/dev/null)
    host_pid=$!
    read -r -t 60 -u "$host_out" host_port || { echo "compare_s3270: testhost did not start" >&2; exit 1; }
}

# first_orkan / first_s3270: milliseconds from starting the client to its first unlocked screen.
first_orkan() {
    start_demo
    local t0 line fd
    rm -f "$work/o.out" && mkfifo "$work/o.out"
    t0=$(now_ms)
    "$program" --headless --dump --host "127.0.0.1:$host_port" >"$work/o.out" 2>/dev/null &
    client_pid=$!
    exec {fd}<"$work/o.out"
    while IFS= read -r -t 30 -u "$fd" line; do
        case "$line" in "--- screen 1 ---") break ;; esac
    done
    echo $(($(now_ms) - t0))
    kill -TERM "$client_pid" 2>/dev/null || true
    wait "$client_pid" 2>/dev/null || true
    client_pid=""
    exec {fd}<&-
    kill "$host_pid" 2>/dev/null || true
    finish_host
}

first_s3270() {
    start_demo
    local t0 line fd
    rm -f "$work/s.in" "$work/s.out" && mkfifo "$work/s.in" "$work/s.out"
    t0=$(now_ms)
    s3270 -model 3279-2-E <"$work/s.in" >"$work/s.out" 2>/dev/null &
    client_pid=$!
    exec {to_s3270}>"$work/s.in"
    exec {fd}<"$work/s.out"
    printf 'Connect(127.0.0.1:%s)\nWait(30,InputField)\n' "$host_port" >&"$to_s3270"
    local oks=0
    while IFS= read -r -t 30 -u "$fd" line; do
        case "$line" in ok) oks=$((oks + 1)); [ "$oks" = 2 ] && break ;; error) break ;; esac
    done
    echo $(($(now_ms) - t0))
    echo "Quit()" >&"$to_s3270"
    exec {to_s3270}>&- {fd}<&-
    wait "$client_pid" 2>/dev/null || true
    client_pid=""
    kill "$host_pid" 2>/dev/null || true
    finish_host
}

# best: the round with the least CPU time.
best() { sort -k2,2n | head -n 1; }

echo "Streaming $screens screens of 24x80 to each client, $rounds rounds, best round shown."
: >"$work/orkan.runs"
: >"$work/s3270.runs"
for _ in $(seq "$rounds"); do
    run_orkan >>"$work/orkan.runs"
    run_s3270 >>"$work/s3270.runs"
done
read -r o_elapsed o_cpu o_mem o_stream < <(best <"$work/orkan.runs")
read -r s_elapsed s_cpu s_mem s_stream < <(best <"$work/s3270.runs")
: >"$work/orkan.first"
: >"$work/s3270.first"
for _ in $(seq $((rounds * 3))); do
    first_orkan >>"$work/orkan.first"
    first_s3270 >>"$work/s3270.first"
done
o_first=$(sort -n "$work/orkan.first" | head -n 1)
s_first=$(sort -n "$work/s3270.first" | head -n 1)

printf '%-10s %10s %10s %12s %10s %16s\n' client "elapsed s" "CPU s" "peak KB" "stream s" "first screen ms"
printf '%-10s %10s %10s %12s %10s %16s\n' orkan3270 "$o_elapsed" "$o_cpu" "$o_mem" "$o_stream" "$o_first"
printf '%-10s %10s %10s %12s %10s %16s\n' s3270 "$s_elapsed" "$s_cpu" "$s_mem" "$s_stream" "$s_first"
awk -v oe="$o_elapsed" -v oc="$o_cpu" -v om="$o_mem" -v os="$o_stream" -v of="$o_first" \
    -v se="$s_elapsed" -v sc="$s_cpu" -v sm="$s_mem" -v ss="$s_stream" -v sf="$s_first" 'BEGIN {
    printf "ratio orkan3270/s3270: elapsed %.3f, CPU %.3f, peak memory %.3f, stream %.3f, first screen %.3f\n",
        oe / se, (sc > 0 ? oc / sc : 0), om / sm, os / ss, (sf > 0 ? of / sf : 0)
    printf "targets: CPU at most 1/20 of s3270 (%s), peak memory at most half (%s), first screen at most half (%s)\n",
        (oc <= sc / 20 ? "met" : "MISSED"), (om <= sm / 2 ? "met" : "MISSED"), (of <= sf / 2 ? "met" : "MISSED")
}'
