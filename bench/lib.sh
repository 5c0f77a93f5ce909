# What the shell benchmarks share: a scratch folder with a private HOME and runtime folder (so no
# setting or session of the user's is read or touched), and the processes they start, ended on exit.
# Source it, then add each started process to `pids`.
work=$(mktemp -d)
pids=()
bench_cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap bench_cleanup EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
unset XDG_CONFIG_HOME
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
