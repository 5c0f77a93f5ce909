#!/usr/bin/env bash
# A host's macro reads no local file and no clipboard to type to the host: OPEN and GET in the own
# language, the REXX stream functions (linein, charin, stream), and the clipboard both ways.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/hostile_host.sh"
SECRET="$WORK/secret.txt"
echo "TOPSECRET-3" >"$SECRET"

run_attack own "* own language
H = OPEN(\"$SECRET\", \"INPUT\")
TYPE(GET(H))
KEY(\"Enter\")"
client_lacks "TOPSECRET-3"
err_has own "Orkan macro error 70"

run_attack linein "/* REXX */
call type linein('$SECRET')
call key 'Enter'"
client_lacks "TOPSECRET-3"

run_attack charin "/* REXX */
call type charin('$SECRET', 1, 11) stream('$SECRET', 'c', 'query exists')
call key 'Enter'"
client_lacks "TOPSECRET-3"
client_lacks "$SECRET"

run_attack clipboard "* own language: the clipboard out and back
H = OPEN(\"CLIPBOARD\", \"OUTPUT\")
PUT(H, \"CLIPSECRET\")
CLOSE(H)
H = OPEN(\"CLIPBOARD\", \"INPUT\")
TYPE(GET(H))
KEY(\"Enter\")"
client_lacks "CLIPSECRET"
err_has clipboard "Orkan macro error 70"

run_attack paste "* the clipboard through the keys
KEY(\"PasteByTyping\")
KEY(\"Enter\")"
err_has paste "Orkan macro error 70"
echo "PASS"
