#!/usr/bin/env bash
# `make run`: the demo host on a free loopback port and the headless program on it, printing each
# host screen as it arrives. Ctrl-C ends both. The host is stopped however the program ends.
set -euo pipefail
build=${1:-build}
program="$build/orkan3270"
host="$build/tools/testhost/testhost"
for p in "$program" "$host"; do
  [ -x "$p" ] || { echo "run-demo: $p is not built (run 'make build')" >&2; exit 1; }
done

exec {host_out}< <(exec "$host" --port 0 2>/dev/null)
host_pid=$!
trap 'kill "$host_pid" 2>/dev/null || true; wait "$host_pid" 2>/dev/null || true' EXIT
read -r -t 30 -u "$host_out" port || { echo "run-demo: the demo host did not start" >&2; exit 1; }

echo "Demo host on 127.0.0.1:$port; the program prints each screen that unlocks the keyboard (Ctrl-C ends)." >&2
status=0
"$program" --headless --dump --host "127.0.0.1:$port" || status=$?
exit "$status"
