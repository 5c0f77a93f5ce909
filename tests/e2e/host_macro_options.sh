#!/usr/bin/env bash
# A host's macro changes no option and runs no program operation: the save-screen file and
# SaveScreenToDisk leave the user's text file alone, and HOSTNAME, AUTORECONNECT and the rest stay
# as they were, in the session and in its file.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/hostile_host.sh"
VICTIM="$HOME/victim.txt"
echo "ORIGINAL" >"$VICTIM"

run_attack savescreen "* the user's file as the save-screen file
X = SETOPTION(\"GENERAL\", \"FILE\", \"$VICTIM\")
KEY(\"SaveScreenToDisk\")"
[ "$(cat "$VICTIM")" = "ORIGINAL" ] || fail "a host's macro wrote the user's file: $(head -c 200 "$VICTIM")"
err_has savescreen "Orkan macro error 70"

run_attack key "* the program operation alone
KEY(\"SaveScreenToDisk\")"
err_has key "Orkan macro error 70"

run_attack rexx "/* REXX: options through the REXX functions */
call setoption 'GENERAL', 'HOSTNAME', 'evil.example'
call setoption 'GENERAL', 'AUTORECONNECT', 1"
err_has rexx "Error 1020"
if grep -aqF 'evil.example' "$APPDATA"/*.ses; then fail "a session file keeps the host's HOSTNAME"; fi
echo "PASS"
