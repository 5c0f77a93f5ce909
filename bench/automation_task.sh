#!/usr/bin/env bash
# The automation task users repeat thousands of times, done by our headless program and by s3270
# against the same testhost demo: connect, wait for the logon screen, type a user id and password,
# Enter, wait for the main menu, end. Runs alternate between the two clients (so a busy moment of a
# shared machine hits both alike); prints each client's median wall time and CPU time (user +
# system, which a loaded machine disturbs less) and our figures as ratios of s3270's.
#
#   bench/automation_task.sh [BUILD_DIR] [RUNS]     (defaults: build 21; ORKAN_PROGRAM: another build)
set -euo pipefail
build=${1:-build}
runs=${2:-21}
program=${ORKAN_PROGRAM:-$build/orkan3270}  # another build of ours, for before and after
host="$build/tools/testhost/testhost"
for p in "$program" "$host"; do
    [ -x "$p" ] || { echo "automation_task: $p is not built" >&2; exit 1; }
done
command -v s3270 >/dev/null || { echo "automation_task: s3270 is not installed (Debian package s3270)" >&2; exit 77; }

. "$(dirname "$0")/lib.sh"

exec {host_out}< <(exec "$host" --port 0 2>/dev/null)
pids+=($!)
read -r -t 60 -u "$host_out" port || { echo "automation_task: testhost did not start" >&2; exit 1; }

cat >"$work/logon.mac" <<'EOF'
WAIT(20, ONSCREEN("User id"))
TYPE("alice")
KEY("Tab")
TYPE("s3cret")
KEY("Enter")
WAIT(20, ONSCREEN("MAIN MENU"))
EXIT 0
EOF
# s3270 runs its actions in order; an AID's action ends when the host has answered, and
# Wait(InputField) when the keyboard is unlocked on a formatted screen.
cat >"$work/logon.s3270" <<EOF
Connect(127.0.0.1:$port)
Wait(20,InputField)
String("alice")
Tab()
String("s3cret")
Enter()
Wait(20,InputField)
Ascii(0,0,80)
Quit()
EOF

# Each run appends "wall_ms cpu_ms" to its client's list; a run that did not reach the main menu
# ends the benchmark.
measure="/usr/bin/python3 $(dirname "$0")/measured.py --out $work/figures --"
run_orkan() {
    $measure "$program" --headless --host "127.0.0.1:$port" --macro "$work/logon.mac" >/dev/null 2>"$work/orkan.err" ||
        { echo "automation_task: orkan3270 failed:" >&2; cat "$work/orkan.err" >&2; exit 1; }
    cut -d' ' -f1,2 "$work/figures" >>"$work/orkan.runs"
}
run_s3270() {
    $measure s3270 -model 3279-2-E <"$work/logon.s3270" >"$work/s3270.out" 2>&1
    grep -q "MAIN MENU" "$work/s3270.out" ||
        { echo "automation_task: s3270 did not reach the main menu:" >&2; cat "$work/s3270.out" >&2; exit 1; }
    cut -d' ' -f1,2 "$work/figures" >>"$work/s3270.runs"
}

: >"$work/orkan.runs"
: >"$work/s3270.runs"
run_orkan && run_s3270  # warm the page cache; not counted
: >"$work/orkan.runs"
: >"$work/s3270.runs"
for _ in $(seq "$runs"); do
    run_orkan
    run_s3270
done

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
o_ms=$(cut -d' ' -f1 "$work/orkan.runs" | median)
s_ms=$(cut -d' ' -f1 "$work/s3270.runs" | median)
o_cpu=$(cut -d' ' -f2 "$work/orkan.runs" | median)
s_cpu=$(cut -d' ' -f2 "$work/s3270.runs" | median)
echo "Logon task against testhost's demo, $runs interleaved runs per client, medians."
printf '%-10s %12s %12s\n' client "wall ms" "CPU ms"
printf '%-10s %12s %12s\n' orkan3270 "$o_ms" "$o_cpu"
printf '%-10s %12s %12s\n' s3270 "$s_ms" "$s_cpu"
awk -v o="$o_ms" -v s="$s_ms" -v oc="$o_cpu" -v sc="$s_cpu" 'BEGIN {
    printf "ratio orkan3270/s3270: wall %.3f, CPU %.3f (target: wall at most 1: %s)\n",
        o / s, (sc > 0 ? oc / sc : 0), (o <= s ? "met" : "MISSED")
}'
