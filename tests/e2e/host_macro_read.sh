#!/usr/bin/env bash
# A host's macro sent over the connection reads no clipboard to type to the host: the own language's
# OPEN writes it and reads it back. (Every file, clipboard and option function a host's macro may
# not use is refused, one by one, in tests/rexx/host_sandbox_test.cpp.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/hostile_host.sh"

run_attack clipboard "* own language: the clipboard out and back
H = OPEN(\"CLIPBOARD\", \"OUTPUT\")
PUT(H, \"CLIPSECRET\")
CLOSE(H)
H = OPEN(\"CLIPBOARD\", \"INPUT\")
TYPE(GET(H))
KEY(\"Enter\")"
client_lacks "CLIPSECRET"
err_has clipboard "Orkan macro error 70"
echo "PASS"
