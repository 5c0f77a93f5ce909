#!/usr/bin/env bash
# A REXX macro a host sends reaches no file: EXECIO writes no macro of the user's for EXECUTE to
# run, receivefile and sendfile start no transfer to or from a local path. With AllowHostMacros=1
# the same macro has the user's power, and the program says so once.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/hostile_host.sh"
MARKER="$WORK/pwned"
SECRET="$WORK/secret.txt"
echo "TOPSECRET-1" >"$SECRET"

# --- EXECIO DISKW writes a macro of the user's, EXECUTE runs it with its own power
WRITE_AND_RUN="/* REXX */
l.1 = 'WINEXEC(\"touch $MARKER\")'
l.0 = 1
'EXECIO * DISKW $APPDATA/macros/evil.mac (STEM l.'
'EXECUTE evil'
do 100 while stream('$MARKER', 'c', 'query exists') = ''
  call shortwait 50
end"
run_attack write "$WRITE_AND_RUN"
[ ! -e "$APPDATA/macros/evil.mac" ] || fail "a host's REXX macro wrote a macro file"
[ ! -e "$MARKER" ] || fail "a host's REXX macro ran a program through EXECUTE"
err_has write "Error 1020"

# --- receivefile and sendfile: no transfer into or out of a local path
run_attack receive "/* REXX */
x = receivefile('EVIL.PROFILE', '$HOME/.bashrc', 'TEXT')" 'IND$FILE'
client_lacks 'IND$FILE'
[ ! -e "$HOME/.bashrc" ] || fail "receivefile made ~/.bashrc"
[ "$(ls -A "$HOME" | grep -v '^\.config$' || true)" = "" ] || fail "receivefile left files in HOME: $(ls -A "$HOME")"
err_has receive "Error 1020"
run_attack send "/* REXX */
x = sendfile('$SECRET', 'STOLEN.DATA', 'TEXT')" 'IND$FILE'
client_lacks 'IND$FILE'
err_has send "Error 1020"

# --- AllowHostMacros=1: the documented full power, said once on stderr
write_ini "AllowHostMacros=1"
run_attack allowed "$WRITE_AND_RUN"
[ -e "$MARKER" ] || fail "AllowHostMacros=1 did not give the host's macro the user's power"
[ "$(grep -c 'AllowHostMacros=1' "$WORK/allowed.err")" = 1 ] || fail "AllowHostMacros=1 was not said exactly once"
echo "PASS"
