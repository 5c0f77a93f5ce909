#!/usr/bin/env bash
# Writes cmake/orkan3270.link-order: the functions of the headless program that run in its common
# work (start-up, connecting, the demo's screens, a logon macro, a stream of screens, the end), in
# the order callgrind lists them. The link puts them together at the start of the program's code, so a
# session maps those pages and not the whole program (the kernel maps code 64 KB around each
# page touched). Run it after larger changes to what a session does; a stale list costs memory,
# never correctness.
#
#   tools/gen-link-order.sh [BUILD_DIR]     (needs valgrind)
set -euo pipefail
build=${1:-build}
program="$build/orkan3270"
host="$build/tools/testhost/testhost"
out="$(dirname "$0")/../cmake/orkan3270.link-order"
for p in "$program" "$host"; do
    [ -x "$p" ] || { echo "gen-link-order: $p is not built" >&2; exit 1; }
done
command -v valgrind >/dev/null || { echo "gen-link-order: valgrind is not installed" >&2; exit 1; }

work=$(mktemp -d)
host_pid=""
cleanup() {
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
unset XDG_CONFIG_HOME
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
grind() {  # grind NAME ARGS...: the program under callgrind, mangled names, no instruction counts
    local name=$1
    shift
    valgrind --tool=callgrind --demangle=no --callgrind-out-file="$work/$name.cg" "$program" "$@" \
        >/dev/null 2>"$work/$name.err"
}

# The first start also makes the application data folder, as a user's first session does.
grind nohost --headless --run 'EXIT 0' || true

exec {host_out}< <(exec "$host" --port 0 2>/dev/null)
host_pid=$!
read -r -t 60 -u "$host_out" port
cat >"$work/logon.mac" <<'EOF'
WAIT(20, ONSCREEN("User id"))
TYPE("alice")
KEY("Tab")
TYPE("s3cret")
KEY("Enter")
WAIT(20, ONSCREEN("MAIN MENU"))
EXIT 0
EOF
grind logon --headless --dump --host "127.0.0.1:$port" --macro "$work/logon.mac"
kill "$host_pid" && wait "$host_pid" 2>/dev/null || true

exec {host_out}< <(exec "$host" --once --stream 300 --port 0 2>/dev/null)
host_pid=$!
read -r -t 60 -u "$host_out" port
grind stream --headless --host "127.0.0.1:$port" &
client=$!
read -r -t 300 -u "$host_out" _
pid=""
while [ -z "$pid" ]; do pid=$(sed -n 's/^orkan3270: session ., process \([0-9]*\)$/\1/p' "$work/stream.err"); done
kill -TERM "$pid"
wait "$client" || true

# Functions of the program itself, first runs first, each once.
/usr/bin/python3 - "$work" "$(basename "$program")" >"$out" <<'EOF'
import re, sys
work, program = sys.argv[1], sys.argv[2]
seen, order = set(), []
for name in ("nohost", "logon", "stream"):
    objects, functions, current = {}, {}, None
    for line in open(f"{work}/{name}.cg"):
        m = re.match(r"(c?ob|c?fn)=\((\d+)\)(?: (.*))?$", line.rstrip("\n"))
        if not m:
            continue
        kind, key, text = m.groups()
        table = objects if kind.endswith("ob") else functions
        if text is not None:
            table[key] = text
        if kind == "ob":
            current = table[key]
        elif kind == "fn" and current and current.endswith("/" + program):
            f = table[key]
            if f not in seen and not f.startswith("0x"):
                seen.add(f)
                order.append(f)
print("\n".join(order))
EOF
echo "gen-link-order: $(wc -l <"$out") functions in $out"
