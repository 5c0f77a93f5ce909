#!/usr/bin/env bash
# Starts the demo host and the program on it.
set -euo pipefail
build=${1:-build}
if [ ! -x "$build/orkan3270" ]; then
  echo "The program is not built yet: 'make run' starts it once it exists. 'make test' works now." >&2
  exit 0
fi
exec "$build/orkan3270" "$@"
