#!/usr/bin/env bash
# `make run`: the demo host on a free loopback port and the program on it. With a display (DISPLAY
# or WAYLAND_DISPLAY) and a build with the desktop program, its window opens; otherwise the
# headless program prints each host screen as it arrives. Closing the window or Ctrl-C ends both.
# The host is stopped however the program ends.
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

status=0
if { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; } && [ -x "$build/orkan3270-desktop" ]; then
  echo "Demo host on 127.0.0.1:$port; the session window opens (closing it ends the demo)." >&2
  "$program" --host "127.0.0.1:$port" || status=$?
else
  echo "Demo host on 127.0.0.1:$port; the program prints each screen that unlocks the keyboard (Ctrl-C ends)." >&2
  "$program" --headless --dump --host "127.0.0.1:$port" || status=$?
fi
exit "$status"
