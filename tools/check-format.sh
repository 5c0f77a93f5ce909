#!/usr/bin/env bash
# Every C++ file of the repository as clang-format (with the repository's .clang-format) writes it.
# Prints the files that differ and fails; `make format` rewrites them.
set -u
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 1
format=$(command -v clang-format-14 || command -v clang-format) || {
    echo "clang-format is not installed"
    exit 1
}
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
else
    mapfile -d '' files < <(find src tests tools fuzz bench \( -name '*.cpp' -o -name '*.h' \) -print0)
fi
# One clang-format run over all the files: its warnings name each file that differs.
differ=$(printf '%s\0' "${files[@]}" | xargs -0 "$format" --dry-run 2>&1 | sed -nE 's/^([^:]+):[0-9]+:[0-9]+: (warning|error):.*/\1/p' | sort -u)
if [ -n "$differ" ]; then
    printf 'not formatted: %s\n' $differ
    echo "run: make format"
    exit 1
fi
