#!/usr/bin/env bash
# The desktop program in a private Xvfb: how long a key takes from its arrival at the terminal to
# the end of the paint that shows the changed cell (characters typed into the demo's logon panel,
# each followed by a BackSpace, sent by xdotool at a steady rate), and how long a paint of a whole
# 62x160 screen of colour fields takes (testhost streams such screens with Erase/Write Alternate).
# The program writes the times itself (ORKAN_PAINT_TIMES, the desktop probe). Prints median and
# p99 of each against the target of 16 ms (one frame at 60 Hz). s3270 paints nothing, so there is
# no peer to compare with here.
#
#   bench/desktop_latency.sh [BUILD_DIR] [KEYS] [SCREENS]     (defaults: build 300 400)
set -euo pipefail
build=${1:-build}
keys=${2:-300}
screens=${3:-400}
program="$build/orkan3270"
host="$build/tools/testhost/testhost"
for p in "$program" "$build/orkan3270-desktop" "$host"; do
    [ -x "$p" ] || { echo "desktop_latency: $p is not built" >&2; exit 1; }
done
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "desktop_latency: $tool is not installed" >&2; exit 77; }
done

. "$(dirname "$0")/lib.sh"
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME"

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp 3>"$work/displayfd" 2>/dev/null &
pids+=($!)
read -r -t 20 display <"$work/displayfd" || { echo "desktop_latency: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"

waitfor() {  # waitfor SECONDS COMMAND...
    local tries=$(($1 * 20))
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}
screen_has() { [ -f "$work/screen.txt" ] && grep -q "$1" "$work/screen.txt"; }

# run_session NAME HOST_OPTIONS PROGRAM_OPTIONS: testhost and the program on it; sets program_pid
# and host_out (the host's standard output).
run_session() {
    local name=$1 host_options=$2 program_options=$3 port
    exec {host_out}< <(exec "$host" --port 0 $host_options 2>/dev/null)
    pids+=($!)
    read -r -t 60 -u "$host_out" port || { echo "desktop_latency: testhost did not start" >&2; exit 1; }
    rm -f "$work/screen.txt"
    ORKAN_PAINT_TIMES="$work/$name.times" ORKAN_SCREEN_TEXT="$work/screen.txt" \
        "$program" --host "127.0.0.1:$port" $program_options >/dev/null 2>"$work/$name.err" &
    program_pid=$!
    pids+=("$program_pid")
}

# stats FILE KIND [MIN_CELLS]: "count median p99 max" in ms of the KIND lines (paints of at least
# MIN_CELLS cells).
stats() {
    awk -v kind="$2" -v min="${3:-0}" '$1 == kind && (kind != "paint" || $3 >= min) { print $2 / 1000 }' "$1" |
        sort -n | awk '{ a[NR] = $1 } END {
            if (NR == 0) { print "0 - - -"; exit }
            p = int(NR * 0.99 + 0.999); if (p > NR) p = NR
            printf "%d %.2f %.2f %.2f\n", NR, a[int((NR + 1) / 2)], a[p], a[NR] }'
}

# Keys: a character and a BackSpace, over and over, into the user id field of the logon panel.
run_session keys "" ""
waitfor 60 screen_has "User id" || { echo "desktop_latency: the logon panel did not arrive" >&2; exit 1; }
window=$(xdotool search --sync --onlyvisible --pid "$program_pid" 2>/dev/null | head -n 1)
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.5
sequence=()
for _ in $(seq $((keys / 2))); do sequence+=(a BackSpace); done
xdotool key --delay 25 "${sequence[@]}"
sleep 1
kill -TERM "$program_pid" && wait "$program_pid" 2>/dev/null || true
read -r key_count key_median key_p99 key_max < <(stats "$work/keys.times" key)

# Whole screens: 62x160 of colour fields, as fast as the host sends them.
run_session paints "--once --stream $screens --stream-alternate" "--size 62x160"
# testhost says when the terminal's Read Buffer has shown the last screen processed.
read -r -t 300 -u "$host_out" result || { echo "desktop_latency: the stream did not end" >&2; exit 1; }
case "$result" in
    *"matches the last screen"*) ;;
    *) echo "desktop_latency: stream failed: $result" >&2; exit 1 ;;
esac
sleep 0.5
kill -TERM "$program_pid" && wait "$program_pid" 2>/dev/null || true
read -r paint_count paint_median paint_p99 paint_max < <(stats "$work/paints.times" paint $((62 * 160 * 95 / 100)))
[ -n "${KEEP_TIMES:-}" ] && cp "$work/keys.times" "$work/paints.times" "$KEEP_TIMES"/

echo "Desktop program under Xvfb (1920x1200): times in ms, target p99 at most 16."
printf '%-44s %6s %8s %8s %8s\n' measure count median p99 max
printf '%-44s %6s %8s %8s %8s\n' "key to the changed cell painted (24x80)" "$key_count" "$key_median" "$key_p99" "$key_max"
printf '%-44s %6s %8s %8s %8s\n' "paint of a whole 62x160 screen" "$paint_count" "$paint_median" "$paint_p99" "$paint_max"
awk -v k="$key_p99" -v p="$paint_p99" 'BEGIN {
    printf "targets: key p99 %s, whole-screen paint p99 %s\n", (k + 0 <= 16 ? "met" : "MISSED"), (p + 0 <= 16 ? "met" : "MISSED")
}'
