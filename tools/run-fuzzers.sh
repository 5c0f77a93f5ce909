#!/usr/bin/env bash
# Runs each fuzz target for a while from its stored corpus. Fails on the first finding.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
shopt -s nullglob
for bin in "$build"/fuzz/fuzz_* "$build"/tools/testhost/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin"); name=${name#fuzz_}
  corpus="$root/fuzz/corpus/$name"
  case "$bin" in */tools/testhost/*) corpus="$root/tools/testhost/fuzz-corpus/${name#testhost_}" ;; esac
  scratch=$(mktemp -d)
  mkdir -p "$corpus"
  echo "== fuzz $name for ${seconds}s (corpus $(ls "$corpus" | wc -l) files)"
  dict=()
  [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
  if ! "$bin" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/fuzz-$name-" \
       "${dict[@]}" "$scratch" "$corpus" > "$build/fuzz-$name.log" 2>&1; then
    echo "!! fuzz target $name found a problem:"; tail -n 60 "$build/fuzz-$name.log"; status=1
  else
    grep -E 'stat::number_of_executed_units' "$build/fuzz-$name.log" || true
  fi
  rm -rf "$scratch"
done
exit $status
