#!/usr/bin/env bash
# The layering the code map promises, checked over the includes. The core (src/ without gui/ and
# headless/) includes no Qt header. Every core folder has a rank; a folder includes only folders of
# lower or equal rank, and no cycle may run among core folders. Prints each breach and fails.
set -u
src=${1:-$(dirname "$0")/../src}
status=0
while IFS= read -r hit; do
    echo "a core file includes Qt: $hit"
    status=1
done < <(grep -rnE '^#include <Q[A-Za-z]*>' "$src" --include='*.h' --include='*.cpp' | grep -vE "^$src/(gui|headless)/")

# Lowest first. The front ends (gui, headless) stand above every rank.
ranks='
platform 0
interfaces 0
config 1
charset 2
peers 2
net 3
screen 3
session 4
ds3270 5
keyboard 6
clipboard 7
display 8
transfer 8
print 9
capture 9
history 9
scripting 9
options 10
macro 11
record 12
rexx 12
app 13
api 14
'
edges=$(for dir in "$src"/*/; do
    from=$(basename "$dir")
    case $from in gui | headless) continue ;; esac
    grep -rhoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_0-9]+/' "$dir" --include='*.h' --include='*.cpp' |
        sed -E 's/.*"//; s#/$##' | sort -u | while read -r to; do
        [ "$to" != "$from" ] && [ -d "$src/$to" ] && echo "$from $to"
    done
done)

report=$(awk -v ranks="$ranks" '
    BEGIN {
        n = split(ranks, r, "\n"); for (i = 1; i <= n; i++) if (split(r[i], f, " ") == 2) rank[f[1]] = f[2]
        rank["gui"] = rank["headless"] = 1000
    }
    {
        pair = $1 " " $2
        if (!($1 in rank)) { print "core folder " $1 "/ has no rank in tools/check-layers.sh"; next }
        if (!($2 in rank)) { print "core folder " $2 "/ has no rank in tools/check-layers.sh"; next }
        if (rank[$2] > rank[$1]) print $1 "/ (rank " rank[$1] ") includes " $2 "/ (rank " rank[$2] ")"
        else if (rank[$2] == rank[$1]) { same[++m] = pair; out[$1] = out[$1] " " $2 }
    }
    END {
        # A cycle can only run among folders of equal rank: follow those edges.
        for (i = 1; i <= m; i++) {
            split(same[i], e, " "); delete seen; k = 1; queue[1] = e[2]; seen[e[2]] = 1
            for (j = 1; j <= k; j++) {
                c = split(out[queue[j]], nx, " ")
                for (x = 1; x <= c; x++) if (!(nx[x] in seen)) { seen[nx[x]] = 1; queue[++k] = nx[x] }
            }
            if (e[1] in seen) print "cycle: " e[1] "/ includes " e[2] "/, which reaches back to " e[1] "/"
        }
    }' <<<"$edges")
if [ -n "$report" ]; then
    echo "$report"
    status=1
fi
exit $status
