#!/usr/bin/env bash
# A host's own-language macro cannot make its temporary file the session's start-up macro and run
# it with the user's power: SETOPTION and RunStartupMacro are refused, nothing is saved in the
# session file, and the file is gone after the macro started (no name reaches it later).
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/hostile_host.sh"
MARKER="$WORK/pwned"

cat >"$WORK/startup.mac" <<MAC
* Second round (run as the user's start-up macro): the user's power.
WAITUNLOCKED(10)
IF DEFINED("ROUND")
  WINEXEC("touch $MARKER")
  TYPE("DONE")
  KEY("Enter")
  EXIT
ENDIF
ROUND = 1
X = SETOPTION("GENERAL", "STARTUPMACRO", "ork\$" + WINDOWID + "\$exec")
KEY("RunStartupMacro")
MAC
start_hostile "$WORK/startup.mac"
start_orkan startup --host "127.0.0.1:$HOST_PORT"
wait_macro startup
finish_orkan startup TERM
[ ! -e "$MARKER" ] || fail "the host's macro ran as the start-up macro with the user's power"
err_has startup "Orkan macro error 70"
if grep -aqF 'ork$' "$APPDATA"/*.ses; then fail "a session file keeps the host's macro as its start-up macro"; fi
if ls "$APPDATA/macros" | grep -qi 'exec'; then fail "the host's macro file was left behind: $(ls "$APPDATA/macros")"; fi

# A user's start of that name is refused even while such a file is there.
printf '* planted\nWINEXEC("touch %s")\n' "$MARKER" >"$APPDATA/macros/ork\$A\$exec.mac"
run_orkan byname --run 'RUN("ork$A$exec")'
[ ! -e "$MARKER" ] || fail "RUN reached a host macro's file by its name"
err_has byname "holds macro text a host sent"
echo "PASS"
