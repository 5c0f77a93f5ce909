#!/usr/bin/env bash
# Source-based coverage of what the stored corpora reach: every target is built with clang's
# -fprofile-instr-generate -fcoverage-mapping in a build folder of its own, runs each input of its
# corpus once, and llvm-cov writes an HTML report per target plus one for all targets together.
#
# Usage: tools/fuzz-coverage.sh [BUILD [NAME...]]   (BUILD defaults to build-fuzz-cov)
# Report: BUILD/coverage/index.html (all targets) and BUILD/coverage/NAME/index.html;
#         BUILD/coverage/summary.txt: per target, each source file it reaches with its line and
#         branch coverage (also printed).
set -euo pipefail
build=${1:-build-fuzz-cov}
[ $# -gt 0 ] && shift
. "$(dirname "$0")/fuzz-lib.sh"
cd "$FUZZ_ROOT"

. "$FUZZ_ROOT/tools/llvm-tools.sh"
profdata=$(llvm_tool llvm-profdata)
cov=$(llvm_tool llvm-cov)

# Profiling, not sanitizers: the run only counts, and ASan would only make it slower.
flags="-fprofile-instr-generate -fcoverage-mapping"
if [ ! -f "$build/CMakeCache.txt" ]; then
    generator=()
    if command -v ninja >/dev/null; then generator=(-G Ninja); fi
    CC=clang CXX=clang++ cmake -S . -B "$build" "${generator[@]}" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORKAN_FUZZ=ON -DORKAN_SANITIZE=OFF -DORKAN_GUI=OFF \
        -DORKAN_TESTS=OFF -DORKAN_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
fi
# Only the fuzz targets: the programs and tests are not needed for the report.
mapfile -t sources < <(ls fuzz/fuzz_*.cpp tools/testhost/fuzz_testhost_*.cpp 2>/dev/null)
wanted=()
for s in "${sources[@]}"; do
    t=$(basename "$s" .cpp)
    if [ $# -eq 0 ] || printf '%s\n' "$@" | grep -qx "${t#fuzz_}"; then wanted+=("$t"); fi
done
nice -n 19 cmake --build "$build" --target "${wanted[@]}" -j "${JOBS:-2}"

out="$build/coverage"
rm -rf "$out"
mkdir -p "$out/profiles"
# Only the code under test is reported: not the harnesses, the test support or system headers.
ignore='(^/usr/|/fuzz/|/fuzz_[^/]*\.cpp$|/tests/)'
objects=()
profiles=()
: > "$out/summary.txt"
while read -r name bin; do
    corpus=$(fuzz_corpus "$name")
    [ -d "$corpus" ] || { echo "== $name: no corpus at $corpus, skipped"; continue; }
    rm -f "$out/profiles/$name".*.profraw
    # -runs=0 runs every corpus input once and stops; a crash here is a finding of its own.
    if ! LLVM_PROFILE_FILE="$out/profiles/$name.%p.profraw" nice -n 19 "$bin" -runs=0 "$corpus" \
            >"$out/$name.log" 2>&1; then
        echo "!! $name failed on its stored corpus:"; tail -n 20 "$out/$name.log"; exit 1
    fi
    "$profdata" merge -sparse "$out/profiles/$name".*.profraw -o "$out/profiles/$name.profdata"
    "$cov" show "$bin" -instr-profile="$out/profiles/$name.profdata" -format=html \
        -show-branches=count -show-line-counts-or-regions -ignore-filename-regex="$ignore" \
        -output-dir="$out/$name" >/dev/null
    # Per file that the corpus reaches at all: line and branch coverage; then the total.
    "$cov" report "$bin" -instr-profile="$out/profiles/$name.profdata" -ignore-filename-regex="$ignore" \
        >"$out/$name.report.txt"
    {
        echo "== $name ($(ls "$corpus" | wc -l) inputs): lines, branches (not taken of all)"
        awk '$1 != "Filename" && $1 !~ /^-+$/ && NF >= 13 && $10 != "0.00%" {
                 printf "   %-44s lines %8s   branches %8s (%s of %s)\n", $1, $10, $13, $12, $11 }' \
            "$out/$name.report.txt"
    } | tee -a "$out/summary.txt"
    objects+=(-object "$bin")
    profiles+=("$out/profiles/$name.profdata")
done < <(fuzz_targets "$build" "$@")

if [ ${#profiles[@]} -gt 0 ]; then
    "$profdata" merge -sparse "${profiles[@]}" -o "$out/profiles/all.profdata"
    # The first object is named without -object, as llvm-cov wants it.
    "$cov" show "${objects[1]}" "${objects[@]:2}" -instr-profile="$out/profiles/all.profdata" -format=html \
        -show-branches=count -show-line-counts-or-regions -ignore-filename-regex="$ignore" \
        -output-dir="$out" >/dev/null
    echo "Report: $out/index.html (all targets), $out/NAME/index.html (one target)"
fi
