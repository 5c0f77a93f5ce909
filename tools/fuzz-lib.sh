# shellcheck shell=bash
# What the fuzz scripts share: where the targets, their stored corpora and dictionaries are.
# Sourced by run-fuzzers.sh, fuzz-campaign.sh and fuzz-coverage.sh.
#
# A target is any executable fuzz_NAME in BUILD/fuzz (from fuzz/fuzz_NAME.cpp) or fuzz_testhost_NAME
# in BUILD/tools/testhost. Its corpus is fuzz/corpus/NAME (tools/testhost/fuzz-corpus/NAME for the
# host's targets) and its dictionary, when there is one, fuzz/NAME.dict (NAME with the testhost_
# prefix for the host's targets). A new target needs nothing here.

FUZZ_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# fuzz_targets BUILD [NAME...]: one line "NAME BINARY" per target built in BUILD, in a stable
# order; with names, only those (a name that is not built is an error).
fuzz_targets() {
    local build=$1; shift
    local bin name found=()
    shopt -s nullglob
    for bin in "$build"/fuzz/fuzz_* "$build"/tools/testhost/fuzz_*; do
        if [ ! -f "$bin" ] || [ ! -x "$bin" ]; then continue; fi
        name=$(basename "$bin"); name=${name#fuzz_}
        found+=("$name $bin")
    done
    shopt -u nullglob
    if [ $# -eq 0 ]; then
        printf '%s\n' "${found[@]}"
        return 0
    fi
    local wanted line ok
    for wanted in "$@"; do
        ok=0
        for line in "${found[@]}"; do
            if [ "${line%% *}" = "$wanted" ]; then printf '%s\n' "$line"; ok=1; fi
        done
        if [ $ok = 0 ]; then
            echo "No fuzz target '$wanted' is built in $build (known: $(printf '%s ' "${found[@]%% *}"))" >&2
            return 1
        fi
    done
}

# fuzz_corpus NAME: the stored corpus folder of a target.
fuzz_corpus() {
    case "$1" in
        testhost_*) echo "$FUZZ_ROOT/tools/testhost/fuzz-corpus/${1#testhost_}" ;;
        *) echo "$FUZZ_ROOT/fuzz/corpus/$1" ;;
    esac
}

# fuzz_dict_args NAME: the -dict= argument for a target, or nothing.
fuzz_dict_args() {
    [ -f "$FUZZ_ROOT/fuzz/$1.dict" ] && echo "-dict=$FUZZ_ROOT/fuzz/$1.dict"
    return 0
}

# fuzz_last_stats LOG: "cov ft execs" of the last status line libFuzzer wrote (0 for missing).
fuzz_last_stats() {
    local cov ft execs
    cov=$(grep -aoE '^#[0-9]+.* cov: [0-9]+' "$1" | tail -n 1 | grep -oE '[0-9]+$')
    ft=$(grep -aoE '^#[0-9]+.* ft: [0-9]+' "$1" | tail -n 1 | grep -oE '[0-9]+$')
    execs=$(grep -aoE 'stat::number_of_executed_units: [0-9]+' "$1" | grep -oE '[0-9]+$')
    echo "${cov:-0} ${ft:-0} ${execs:-0}"
}

# fuzz_initial_stats LOG: "cov ft" once the corpus was loaded (what the stored corpus reaches).
fuzz_initial_stats() {
    local line
    line=$(grep -aE '^#[0-9]+[[:space:]]+INITED' "$1" | head -n 1)
    echo "$(grep -oE 'cov: [0-9]+' <<<"$line" | grep -oE '[0-9]+' || echo 0)" \
         "$(grep -oE 'ft: [0-9]+' <<<"$line" | grep -oE '[0-9]+' || echo 0)"
}
