#!/usr/bin/env bash
# Options by name and system variables in the headless program: a host name set by a macro is
# saved and the next start connects there; the variables of that connected session; a cursor
# moved by assignment; options changed in one run and found again by the next; a refused value
# and a cursor off the screen end the macro with their reports.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
prepare_appdata
start_host
HOST="127.0.0.1:$HOST_PORT"
MACROS="$APPDATA/macros"

# --- no host yet: the macro names one, which the session file keeps
expect_run sethost 0 "Orkan TN3270 Connection/Session Change: A Reconnect is necessary to put your changes into effect." \
    --run "X = SETOPTION(\"GENERAL\", \"HOSTNAME\", \"$HOST\")"

# --- the next start goes there; the connected session's variables
cat >"$MACROS/facts.mac" <<'MAC'
WAIT(20, ONSCREEN("User id"))
DEBUG("facts " + STATUS + " " + HOSTADDR + " " + IPVERSION + " " + HOSTNAME + " " + STR(SCREENWIDTH) + " " + WINDOWIDLIST)
IF SOCKET < 3
  EXIT 10
ENDIF
IF VAL(INPUTLEN) < 10
  EXIT 11
ENDIF
CURSORPOS = "5,10"
IF CURSORROW != 5 | CURSORCOL != 10
  EXIT 12
ENDIF
X = SETOPTION("general", "sessionname", "Payroll")
X = SETOPTION("FONT", "SIZE", "9 x 18")
X = SETOPTION("COLORS", "COLOR3", 255)
MAC
expect_run facts 0 "Debug: facts UNLOCKED 127.0.0.1 IPv4 127.0.0.1 80 A" --macro facts

# --- what the last run set is in the session file
expect_run saved 0 "" --run 'IF GETOPTION("GENERAL", "SESSIONNAME") != "Payroll" | SESSNAME != "Payroll" ; EXIT 20 ; ENDIF ; IF GETOPTION("FONT", "SIZE") != "9 x 18" ; EXIT 21 ; ENDIF ; IF GETOPTION("COLORS", "COLOR3") != 255 ; EXIT 22 ; ENDIF'

# --- refusals end the macro with their report
expect_run refused 2 "Orkan macro error 61 - Invalid Parameter Value" --run 'X = SETOPTION("MISC", "TRANSFERBLOCKSIZE", 100)'
expect_run offscreen 2 "Orkan macro error 61 - Invalid Parameter Value" --run 'CURSORROW = 25'
echo "PASS"
