#!/usr/bin/env bash
# Runs each fuzz target for a while from its stored corpus and dictionary (CI's short run). New
# inputs go to a scratch folder, so the stored corpus only changes through a campaign
# (tools/fuzz-campaign.sh, `make fuzz-long`). Reports every finding and fails at the end.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-30}
. "$(dirname "$0")/fuzz-lib.sh"
status=0
# The structure-aware mutators first: a broken one would make every run below shallower.
if [ -x "$build/fuzz/orkan_fuzz_mutators_check" ]; then
  "$build/fuzz/orkan_fuzz_mutators_check" --gtest_brief=1 || status=1
fi
while read -r name bin; do
  corpus=$(fuzz_corpus "$name")
  scratch=$(mktemp -d)
  mkdir -p "$corpus"
  echo "== fuzz $name for ${seconds}s (corpus $(ls "$corpus" | wc -l) files)"
  # shellcheck disable=SC2046
  if ! nice -n 19 "$bin" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 -artifact_prefix="$build/fuzz-$name-" \
       $(fuzz_dict_args "$name") "$scratch" "$corpus" > "$build/fuzz-$name.log" 2>&1; then
    echo "!! fuzz target $name found a problem:"; tail -n 60 "$build/fuzz-$name.log"; status=1
  else
    read -r start_cov _ <<<"$(fuzz_initial_stats "$build/fuzz-$name.log")"
    read -r cov ft execs <<<"$(fuzz_last_stats "$build/fuzz-$name.log")"
    echo "   cov $start_cov -> $cov, ft $ft, $execs executions"
  fi
  rm -rf "$scratch"
done < <(fuzz_targets "$build")
exit $status
