#!/usr/bin/env bash
# A host's macro sent over the connection reads no clipboard to type to the host: the own language's
# OPEN writes it and reads it back. With AllowHostMacros=1 a host's REXX macro has the user's power
# (EXECIO writes a macro of the user's, EXECUTE runs it), and the program says so once. (Every
# file, clipboard, transfer and option function a host's macro may not use is refused, one by one,
# in tests/rexx/host_sandbox_test.cpp.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/hostile_host.sh"
run_attack clipboard "* own language: the clipboard out and back
H = OPEN(\"CLIPBOARD\", \"OUTPUT\")
PUT(H, \"CLIPSECRET\")
CLOSE(H)
H = OPEN(\"CLIPBOARD\", \"INPUT\")
TYPE(GET(H))
KEY(\"Enter\")"
! grep -aqF CLIPSECRET "$CLIENT_LOG" || fail "the terminal sent the host the clipboard's text"
err_has clipboard "Orkan macro error 70"
# --- AllowHostMacros=1: the documented full power, said once on stderr
MARKER="$WORK/pwned"
write_ini "AllowHostMacros=1"
run_attack allowed "/* REXX */
l.1 = 'WINEXEC(\"touch $MARKER\")'
l.0 = 1
'EXECIO * DISKW $APPDATA/macros/evil.mac (STEM l.'
'EXECUTE evil'
do 100 while stream('$MARKER', 'c', 'query exists') = ''
  call shortwait 50
end"
[ -e "$MARKER" ] || fail "AllowHostMacros=1 did not give the host's macro the user's power"
[ "$(grep -c 'AllowHostMacros=1' "$WORK/allowed.err")" = 1 ] || fail "AllowHostMacros=1 was not said exactly once"
echo "PASS"
