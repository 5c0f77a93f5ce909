# shellcheck shell=bash
# The llvm programs the coverage scripts need, under whichever name Debian installed them.
# Sourced by fuzz-coverage.sh and suite-coverage.sh.

# llvm_tool NAME: the program's name as found in PATH (NAME or NAME-14..16); exits when missing.
llvm_tool() {
    local t
    for t in "$1" "$1-14" "$1-15" "$1-16"; do command -v "$t" >/dev/null 2>&1 && { echo "$t"; return; }; done
    echo "$1 not found (Debian package llvm)" >&2
    exit 1
}
