#!/usr/bin/env bash
# Line coverage of src/ by the whole test suite: every target is built with clang's
# -fprofile-instr-generate -fcoverage-mapping in a build folder of its own, ctest runs as `make test`
# does (the programs the end-to-end tests start write their counts too), and llvm-cov reports.
#
# Usage: tools/suite-coverage.sh [BUILD]   (BUILD defaults to build-cov)
# Report: BUILD/coverage/index.html, BUILD/coverage/report.txt (per file) and
#         BUILD/coverage/summary.txt (per folder of src/, the core without the desktop, all of src/).
# Exit status: that of ctest, so a failing test is not hidden behind a report.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-cov}

. tools/llvm-tools.sh
profdata=$(llvm_tool llvm-profdata)
cov=$(llvm_tool llvm-cov)

flags="-fprofile-instr-generate -fcoverage-mapping"
if [ ! -f "$build/CMakeCache.txt" ]; then
    generator=()
    if command -v ninja >/dev/null; then generator=(-G Ninja); fi
    # No debug information: the counts do not need it and the build is half the work without it.
    CC=clang CXX=clang++ cmake -S . -B "$build" "${generator[@]}" \
        -DCMAKE_BUILD_TYPE=Release -DORKAN_BENCH=OFF \
        -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
        -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" \
        -DCMAKE_SHARED_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
fi
out=$(cd "$build" && pwd)/coverage
status=0
# REPORT_ONLY=1 reports on the counts of the last run without building or running again.
if [ -z "${REPORT_ONLY:-}" ]; then
    cmake --build "$build" -j "${JOBS:-$(nproc)}"
    rm -rf "$out"
    mkdir -p "$out/profiles"
    # %4m: processes of one program merge into at most four files, so thousands of runs stay small.
    (cd "$build" && LLVM_PROFILE_FILE="$out/profiles/%4m.profraw" ctest --output-on-failure -j "${JOBS:-$(nproc)}") ||
        status=$?
fi

"$profdata" merge -sparse "$out"/profiles/*.profraw -o "$out/all.profdata"
# Every instrumented program and test: an ELF file with a coverage map.
objects=()
while IFS= read -r f; do
    if [ "$(head -c 4 "$f" | od -An -c | tr -d ' ')" = '177ELF' ] &&
        readelf -S "$f" 2>/dev/null | grep -q __llvm_covmap; then
        if [ ${#objects[@]} -eq 0 ]; then objects+=("$f"); else objects+=(-object "$f"); fi
    fi
done < <(find "$build" -type f -perm -u+x ! -path '*/CMakeFiles/*' ! -path "$out/*")
[ ${#objects[@]} -gt 0 ] || { echo "no instrumented programs in $build" >&2; exit 1; }

# Only src/ counts: not the tests, their support, the test host, the harnesses or generated code.
# Names come as the build folder followed by ../src/...: they are normalised before the count.
ignore='(^/usr/|/tests/|/tools/|/fuzz/|/bench/|_autogen/)'
"$cov" report "${objects[@]}" -instr-profile="$out/all.profdata" -ignore-filename-regex="$ignore" \
    >"$out/report.txt"
"$cov" show "${objects[@]}" -instr-profile="$out/all.profdata" -ignore-filename-regex="$ignore" \
    -format=html -output-dir="$out" >/dev/null
"$cov" export "${objects[@]}" -instr-profile="$out/all.profdata" -ignore-filename-regex="$ignore" \
    -summary-only >"$out/summary.json"
/usr/bin/python3 - "$out/summary.json" "$(pwd)/src/" <<'PY' | tee "$out/summary.txt"
import json, os, sys
from collections import defaultdict
data, root = json.load(open(sys.argv[1])), sys.argv[2]
folders = defaultdict(lambda: [0, 0])
for f in data["data"][0]["files"]:
    name = os.path.normpath(f["filename"])
    if name.startswith(root):
        rel = name[len(root):]
        lines = f["summary"]["lines"]
        entry = folders[rel.split("/")[0] if "/" in rel else "."]
        entry[0] += lines["count"]
        entry[1] += lines["covered"]
def pct(count, covered):
    return f"{100 * covered / count:6.2f}%" if count else "   n/a"
for name, (count, covered) in sorted(folders.items()):
    print(f"  {name:<12} {count:6d} lines  {pct(count, covered)}")
core = [sum(v[i] for k, v in folders.items() if k != "gui") for i in (0, 1)]
every = [sum(v[i] for v in folders.values()) for i in (0, 1)]
print(f"core (src/ without gui/): {core[0]} lines, {pct(*core)} covered")
print(f"all of src/:              {every[0]} lines, {pct(*every)} covered")
PY
echo "Report: $out/index.html; ctest exit status $status"
exit "$status"
