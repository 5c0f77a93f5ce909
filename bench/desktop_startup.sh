#!/usr/bin/env bash
# Start-up of the desktop program against testhost: the time from starting the program to the
# first painted host screen (the program prints the wall clock of that paint when
# ORKAN_FIRST_PAINT_NS is set), and the program's peak memory (VmHWM). Runs in the display it
# finds, else in a private Xvfb, else on Qt's offscreen platform. Prints each run and the median.
#   bench/desktop_startup.sh [BUILD_DIR] [RUNS]
set -u
build=${1:-build}
runs=${2:-7}
program="$build/orkan3270"
host="$build/tools/testhost/testhost"
for p in "$program" "$host"; do
    [ -x "$p" ] || { echo "desktop_startup: $p is not built" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid="" host_pid="" pid=""
cleanup() {
    for p in "$pid" "$host_pid" "$xvfb_pid"; do
        [ -n "$p" ] && { kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; }
    done
    rm -rf "$work"
}
trap cleanup EXIT

platform=xcb
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    if command -v Xvfb >/dev/null 2>&1; then
        mkfifo "$work/displayfd"
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/displayfd" 2>/dev/null &
        xvfb_pid=$!
        read -r -t 20 n <"$work/displayfd" && export DISPLAY=":$n" || platform=offscreen
    else
        platform=offscreen
    fi
elif [ -n "${WAYLAND_DISPLAY:-}" ] && [ -z "${DISPLAY:-}" ]; then
    platform=wayland
fi

"$host" --port 0 >"$work/host.out" 2>/dev/null &
host_pid=$!
for _ in $(seq 600); do [ -s "$work/host.out" ] && break; sleep 0.05; done
port=$(head -n 1 "$work/host.out")

mkdir -p "$work/home" "$work/config" "$work/run"
chmod 700 "$work/run"
times=() memories=()
for run in $(seq "$runs"); do
    : >"$work/err"
    start=$(date +%s%N)
    HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=$platform \
    ORKAN_FIRST_PAINT_NS=1 "$program" --host "127.0.0.1:$port" 2>"$work/err" >/dev/null &
    pid=$!
    painted=""
    for _ in $(seq 400); do
        painted=$(sed -n 's/^ORKAN_FIRST_PAINT_NS=//p' "$work/err")
        [ -n "$painted" ] && break
        sleep 0.025
    done
    sleep 0.3  # the rest of the first screens: the peak of a settled session
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
    kill -TERM "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=""
    if [ -z "$painted" ]; then
        echo "run $run: no host screen was painted" >&2
        cat "$work/err" >&2
        exit 1
    fi
    ms=$(( (painted - start) / 1000000 ))
    times+=("$ms")
    memories+=("${hwm:-0}")
    echo "run $run: first host screen painted after $ms ms, peak memory $(( ${hwm:-0} / 1024 )) MB"
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "desktop start-up ($platform, $runs runs): median $(median "${times[@]}") ms to the first painted host screen (target 300 ms); median peak memory $(( $(median "${memories[@]}") / 1024 )) MB"
