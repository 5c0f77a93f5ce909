#!/usr/bin/env bash
# The layering the code map promises, checked over the includes: the core (src/ without gui/ and
# headless/) includes no Qt header, and no core folder but app/ includes app/ (shared ground lives
# in session/; the automation interface in api/ sits beside the front ends and may). Prints each
# breach and fails.
set -u
src=${1:-$(dirname "$0")/../src}
status=0
while IFS= read -r hit; do
    echo "a core file includes Qt: $hit"
    status=1
done < <(grep -rnE '^#include <Q[A-Za-z]*>' "$src" --include='*.h' --include='*.cpp' | grep -vE "^$src/(gui|headless)/")
while IFS= read -r hit; do
    echo "a core folder includes app/: $hit"
    status=1
done < <(grep -rn '^#include "app/' "$src" --include='*.h' --include='*.cpp' | grep -vE "^$src/(app|api|gui|headless)/")
exit $status
