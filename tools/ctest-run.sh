#!/usr/bin/env bash
# ctest-run.sh BUILD [CTEST ARGS...]: the suite in BUILD, as `make test` and `make asan-test` run
# it. When tests fail, their output is printed again after ctest's summary, so a log read from its
# end (as CI's is) shows why, not only which.
set -uo pipefail
build=$1
shift
cd "$build" || exit 2
ctest --output-on-failure "$@" && exit 0
status=$?
failed=Testing/Temporary/LastTestsFailed.log
log=Testing/Temporary/LastTest.log
if [ -f "$failed" ] && [ -f "$log" ]; then
    while IFS=: read -r _ name; do
        out=$(awk -v name="$name" '
            $0 ~ "^[0-9]+/[0-9]+ Test: " && $3 == name { inside = 1; next }
            inside && $0 ~ "^\"" name "\" end time" { exit }
            inside { print }' "$log")
        # The verdicts first (a script's dumps after its FAIL line can be long), then the end.
        echo "== $name: its failure lines"
        grep -E -m 20 '^FAIL|Failure$|ERROR: AddressSanitizer|runtime error:|LeakSanitizer' <<<"$out"
        echo "== the end of $name's output"
        tail -n 60 <<<"$out"
    done <"$failed"
fi
exit "$status"
