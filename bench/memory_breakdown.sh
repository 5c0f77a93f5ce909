#!/usr/bin/env bash
# Resident memory of an idle session on testhost's demo (connected, logon panel shown), ours and
# s3270's, mapping by mapping from /proc/PID/smaps: what each file's code and data and the
# anonymous memory hold, and how much of it is private and dirty. ORKAN_PROGRAM names another
# build of ours, to compare before and after.
#
#   bench/memory_breakdown.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
program=${ORKAN_PROGRAM:-$build/orkan3270}
host="$build/tools/testhost/testhost"
for p in "$program" "$host"; do
    [ -x "$p" ] || { echo "memory_breakdown: $p is not built" >&2; exit 1; }
done

. "$(dirname "$0")/lib.sh"

exec {host_out}< <(exec "$host" --port 0 2>/dev/null)
pids+=($!)
read -r -t 60 -u "$host_out" port || { echo "memory_breakdown: testhost did not start" >&2; exit 1; }

# breakdown PID NAME: the table of one process.
breakdown() {
    echo "== $2 (VmHWM $(awk '/^VmHWM:/ { print $2, $3 }' "/proc/$1/status"))"
    /usr/bin/python3 - "/proc/$1/smaps" <<'EOF'
import collections, re, sys
rss, dirty, size = collections.Counter(), collections.Counter(), collections.Counter()
key = None
for line in open(sys.argv[1]):
    m = re.match(r"^([0-9a-f]+)-([0-9a-f]+) (\S+) \S+ \S+ \S+\s*(.*)$", line)
    if m:
        name = m.group(4).rsplit("/", 1)[-1] or "[anonymous]"
        key = (name, m.group(3))
        size[key] += (int(m.group(2), 16) - int(m.group(1), 16)) // 1024
    elif line.startswith("Rss:"):
        rss[key] += int(line.split()[1])
    elif line.startswith("Private_Dirty:"):
        dirty[key] += int(line.split()[1])
print(f"{'resident KB':>12} {'dirty KB':>9} {'mapped KB':>10}  mapping")
for k, v in sorted(rss.items(), key=lambda item: -item[1]):
    if v:
        print(f"{v:12d} {dirty[k]:9d} {size[k]:10d}  {k[0]} {k[1]}")
print(f"{sum(rss.values()):12d} {sum(dirty.values()):9d} {sum(size.values()):10d}  total")
EOF
}

"$program" --headless --dump --host "127.0.0.1:$port" >"$work/orkan.out" 2>"$work/orkan.err" &
pids+=($!)
orkan_pid=$!
for _ in $(seq 600); do grep -q "User id" "$work/orkan.out" 2>/dev/null && break; sleep 0.05; done
sleep 0.5
breakdown "$orkan_pid" orkan3270

if command -v s3270 >/dev/null; then
    mkfifo "$work/s.in"
    s3270 -model 3279-2-E <"$work/s.in" >"$work/s.out" 2>&1 &
    s3270_pid=$!
    pids+=("$s3270_pid")
    exec {to_s3270}>"$work/s.in"
    printf 'Connect(127.0.0.1:%s)\nWait(30,InputField)\n' "$port" >&"$to_s3270"
    for _ in $(seq 600); do [ "$(grep -c '^ok' "$work/s.out")" -ge 2 ] && break; sleep 0.05; done
    sleep 0.5
    breakdown "$s3270_pid" s3270
    echo "Quit()" >&"$to_s3270"
fi
