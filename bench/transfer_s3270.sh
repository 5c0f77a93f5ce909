#!/usr/bin/env bash
# Times DFT file transfer through testhost's transfer program (TSO): each client uploads a
# random binary file and a text file (lines of base64) of MB megabytes each and downloads them
# again, ROUNDS times, with the largest block size it offers; every round trip must come back
# with the same sha256. Prints MB/s per client, mode and direction (best round) and, for every
# client besides s3270, its ratio to s3270.
#
#   bench/transfer_s3270.sh [BUILD_DIR] [MB] [ROUNDS]     (defaults: build 64 3)
#
# Clients come from BENCH_CLIENTS (default "s3270"; "s3270 orkan" adds ours, which needs
# bench/orkan_transfer_client built). A client NAME is a function
# client_NAME PORT DIRECTION LOCAL HOSTFILE MODE that runs one transfer against the host on PORT
# (DIRECTION send or receive; MODE binary, or text with LF line ends locally and CR LF on the
# wire) and returns when it is done; it may start its program anew for each transfer, and an
# optional end_NAME ends it. Adding our own headless program is one more such function.
set -euo pipefail
build=${1:-build}
megabytes=${2:-64}
rounds=${3:-3}
host="$build/tools/testhost/testhost"
clients=${BENCH_CLIENTS:-s3270}
[ -x "$host" ] || { echo "transfer_s3270: $host is not built" >&2; exit 1; }
command -v s3270 >/dev/null || { echo "transfer_s3270: s3270 is not installed (Debian package s3270)" >&2; exit 77; }

work=$(mktemp -d)
host_pid=""
s3_pid=""
cleanup() {
    [ -n "$s3_pid" ] && kill "$s3_pid" 2>/dev/null
    [ -n "${orkan_pid:-}" ] && kill "$orkan_pid" 2>/dev/null
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

now() { date +%s.%N; }

# s3270 as a coprocess for the whole run of one client; s3270_do ACTION waits for its answer.
s3270_do() {
    echo "$1" >&"${S3[1]}"
    local line
    while IFS= read -r -t 900 line <&"${S3[0]}"; do
        case "$line" in
            ok) return 0 ;;
            error) echo "transfer_s3270: s3270 refused '$1'" >&2; return 1 ;;
        esac
    done
    echo "transfer_s3270: s3270 did not answer '$1'" >&2
    return 1
}
client_s3270() {
    local port=$1 direction=$2 local_file=$3 host_file=$4 mode=$5 how=Mode=binary
    if [ -z "$s3_pid" ]; then
        coproc S3 { exec s3270 -model 3279-2-E 2>&1; }
        s3_pid=$S3_PID
        s3270_do "Connect(127.0.0.1:$port)"
        s3270_do "Wait(30,InputField)"
    fi
    if [ "$mode" = text ]; then
        how="Mode=ascii,Cr=$([ "$direction" = send ] && echo add || echo remove)"
    fi
    s3270_do "Transfer(Direction=$direction,Host=tso,$how,BufferSize=32767,HostFile=$host_file,LocalFile=$local_file,Exist=replace)"
}
end_s3270() {
    [ -z "$s3_pid" ] && return
    echo "Quit()" >&"${S3[1]}" || true
    wait "$s3_pid" 2>/dev/null || true
    s3_pid=""
}

# Our client: bench/transfer_client.cpp as a coprocess, connected once.
orkan_pid=""
orkan_do() {
    echo "$1" >&"${ORK[1]}"
    local line
    IFS= read -r -t 900 line <&"${ORK[0]}" || { echo "transfer_s3270: our client did not answer '$1'" >&2; return 1; }
    [ "$line" = ok ] || { echo "transfer_s3270: our client: $line" >&2; return 1; }
}
client_orkan() {
    local port=$1 direction=$2 local_file=$3 host_file=$4 mode=$5
    if [ -z "$orkan_pid" ]; then
        [ -x "$build/bench/orkan_transfer_client" ] || { echo "transfer_s3270: $build/bench/orkan_transfer_client is not built" >&2; exit 1; }
        coproc ORK { exec "$build/bench/orkan_transfer_client" 2>/dev/null; }
        orkan_pid=$ORK_PID
        orkan_do "connect $port"
    fi
    orkan_do "$direction $local_file $host_file $mode"
}
end_orkan() {
    [ -z "$orkan_pid" ] && return
    echo "quit" >&"${ORK[1]}" || true
    wait "$orkan_pid" 2>/dev/null || true
    orkan_pid=""
}

start_host() {
    exec {host_out}< <(exec "$host" --transfer tso --transfer-limit 32767 --port 0 2>/dev/null)
    host_pid=$!
    read -r -t 60 -u "$host_out" host_port || { echo "transfer_s3270: testhost did not start" >&2; exit 1; }
}
stop_host() {
    kill "$host_pid" 2>/dev/null || true
    wait "$host_pid" 2>/dev/null || true
    host_pid=""
    exec {host_out}<&-
}

size=$((megabytes * 1024 * 1024))
head -c "$size" /dev/urandom >"$work/binary"
# Base64 lines of 76 characters: 77 bytes a line with its LF.
head -c $((size / 77 * 57)) /dev/urandom | base64 -w 76 >"$work/text"
echo "DFT transfer of $megabytes MB through testhost (TSO), $rounds rounds per client, best round shown."
printf '%-10s %-7s %12s %12s\n' client mode "up MB/s" "down MB/s"
for client in $clients; do
    declare -F "client_$client" >/dev/null || { echo "transfer_s3270: no client_$client function for client '$client'" >&2; exit 1; }
    start_host
    for mode in binary text; do
        want=$(sha256sum <"$work/$mode")
        bytes=$(wc -c <"$work/$mode")
        best_up=0 best_down=0
        for round in $(seq "$rounds"); do
            t0=$(now)
            "client_$client" "$host_port" send "$work/$mode" "bench.${mode:0:1}$round" "$mode"
            t1=$(now)
            rm -f "$work/back"
            "client_$client" "$host_port" receive "$work/back" "bench.${mode:0:1}$round" "$mode"
            t2=$(now)
            [ "$(sha256sum <"$work/back")" = "$want" ] || { echo "transfer_s3270: $client $mode round $round came back different" >&2; exit 1; }
            read -r up down < <(awk -v b="$bytes" -v a="$t0" -v m="$t1" -v e="$t2" 'BEGIN { printf "%.1f %.1f\n", b / 1e6 / (m - a), b / 1e6 / (e - m) }')
            best_up=$(awk -v x="$best_up" -v y="$up" 'BEGIN { print (y > x ? y : x) }')
            best_down=$(awk -v x="$best_down" -v y="$down" 'BEGIN { print (y > x ? y : x) }')
        done
        printf '%-10s %-7s %12s %12s\n' "$client" "$mode" "$best_up" "$best_down"
        echo "$client $mode $best_up $best_down" >>"$work/results"
    done
    if declare -F "end_$client" >/dev/null; then "end_$client"; fi
    stop_host
done
awk '$1 == "s3270" { su[$2] = $3; sd[$2] = $4 } $1 != "s3270" { u[$1 " " $2] = $3; d[$1 " " $2] = $4 }
     END { for (k in u) { split(k, w, " "); if (su[w[2]] > 0 && sd[w[2]] > 0)
               printf "ratio %s/s3270 %s: up %.2f, down %.2f\n", w[1], w[2], u[k] / su[w[2]], d[k] / sd[w[2]] } }' "$work/results"
