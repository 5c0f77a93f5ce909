#!/usr/bin/env bash
# A long fuzzing campaign: every target (or the ones named) in turn for SECONDS from its stored
# corpus and dictionary; afterwards the corpus, the new inputs and any extra seeds are merged back
# into the stored corpus, minimised (libFuzzer -merge=1), so it only grows by what adds coverage.
# The merge counts coverage edges, not hit counts (-use_counters=0): one small input per edge
# keeps a stored corpus at hundreds of files, and the campaign's own run finds the counts again.
# Prints per target what the stored corpus reached when loaded, what the run reached (libFuzzer's
# cov: and ft:), the executions and the corpus size before and after.
#
# Usage: tools/fuzz-campaign.sh BUILD SECONDS [--seeds DIR] [--no-merge] [NAME...]
#   --seeds DIR   DIR/NAME holds candidate inputs for target NAME (tools/fuzz-seeds.py writes them)
#   --no-merge    measure only: the stored corpora stay as they are
# SECONDS 0 runs nothing new: the stored corpora (and any seeds) are loaded once, for the figures,
# then merged and minimised.
# Findings are saved as BUILD/fuzz-NAME-crash-* (or leak-, timeout-, oom-); the campaign goes on
# with the next target and exits non-zero at the end.
set -euo pipefail
. "$(dirname "$0")/fuzz-lib.sh"

build=${1:?usage: fuzz-campaign.sh BUILD SECONDS [--seeds DIR] [--no-merge] [NAME...]}
seconds=${2:?usage: fuzz-campaign.sh BUILD SECONDS [--seeds DIR] [--no-merge] [NAME...]}
shift 2
seeds=""
merge=1
names=()
while [ $# -gt 0 ]; do
    case "$1" in
        --seeds) seeds=$(cd "${2:?--seeds needs a folder}" && pwd); shift 2 ;;
        --no-merge) merge=0; shift ;;
        -*) echo "Unknown option $1" >&2; exit 2 ;;
        *) names+=("$1"); shift ;;
    esac
done
case "$seconds" in ''|*[!0-9]*) echo "SECONDS must be a whole number, not '$seconds'" >&2; exit 2 ;; esac
build=$(cd "$build" && pwd)

# Replaces the stored corpus by the merged one. Inputs that were there before keep their names
# (libFuzzer names merged inputs by their SHA-1, so a name tells where an input came from).
replace_corpus() {
    local corpus=$1 merged=$2 f sum
    declare -A old_names=()
    for f in "$corpus"/*; do
        [ -f "$f" ] || continue
        sum=$(sha1sum <"$f" | cut -c1-40)
        old_names[$sum]=$(basename "$f")
    done
    find "$corpus" -maxdepth 1 -type f -delete
    for f in "$merged"/*; do
        [ -f "$f" ] || continue
        sum=$(sha1sum <"$f" | cut -c1-40)
        cp "$f" "$corpus/${old_names[$sum]:-$sum}"
    done
}

status=0
report=()
while read -r name bin; do
    corpus=$(fuzz_corpus "$name")
    mkdir -p "$corpus"
    extra=()
    if [ -n "$seeds" ] && [ -d "$seeds/$name" ]; then extra=("$seeds/$name"); fi
    scratch=$(mktemp -d)
    log="$build/fuzz-$name.campaign.log"
    before=$(find "$corpus" -maxdepth 1 -type f | wc -l)
    echo "== $name: ${seconds}s from $before stored inputs${extra:+ and $(ls "${extra[0]}" | wc -l) seeds}"
    result=ok
    if [ "$seconds" -gt 0 ]; then
        # shellcheck disable=SC2046
        if ! nice -n 19 "$bin" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
                -artifact_prefix="$build/fuzz-$name-" $(fuzz_dict_args "$name") \
                "$scratch" "$corpus" "${extra[@]}" >"$log" 2>&1; then
            result="FINDING (see $log)"
            status=1
            grep -aE '^(==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' "$log" | head -n 5 || true
        fi
    else
        # Only a load: what the stored corpus and the seeds reach, for the line below.
        if ! nice -n 19 "$bin" -runs=0 -timeout=25 "$corpus" "${extra[@]}" >"$log" 2>&1; then
            result="FINDING (see $log)"
            status=1
        fi
    fi
    read -r start_cov start_ft <<<"$(fuzz_initial_stats "$log")"
    read -r cov ft execs <<<"$(fuzz_last_stats "$log")"
    after=$before
    if [ $merge = 1 ]; then
        merged=$(mktemp -d)
        if nice -n 19 "$bin" -merge=1 -use_counters=0 -timeout=25 "$merged" "$corpus" "${extra[@]}" "$scratch" \
                >"$build/fuzz-$name.merge.log" 2>&1; then
            replace_corpus "$corpus" "$merged"
            after=$(find "$corpus" -maxdepth 1 -type f | wc -l)
        else
            echo "!! merging into $corpus failed; it is unchanged (see $build/fuzz-$name.merge.log)"
            status=1
        fi
        rm -rf "$merged"
    fi
    rm -rf "$scratch"
    line=$(printf '%-18s cov %5s -> %5s   ft %6s -> %6s   execs %10s   corpus %4s -> %4s   %s' \
        "$name" "$start_cov" "$cov" "$start_ft" "$ft" "$execs" "$before" "$after" "$result")
    echo "$line"
    report+=("$line")
done < <(fuzz_targets "$build" "${names[@]}")

echo
echo "Campaign of ${seconds}s per target (cov/ft: stored corpus loaded -> end of run):"
printf '%s\n' "${report[@]}"
exit $status
