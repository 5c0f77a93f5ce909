#!/usr/bin/env bash
# Headless automation with macros against testhost's demo: a macro logs on, chooses the data-entry
# panel from the menu, fills it in, checks the host's answer and a field with SCREEN and exits 0;
# the same macro with a wrong value exits with its own code; errors, a stop, a macro file that is
# missing or a FIFO and a macro that logs off each end the program with their status; RUN("x", "B")
# runs a macro in a second session process. The same in REXX: the data-entry macro ends with its
# own return code as the exit status; an error ends with 2; SIGTERM and SIGINT end the program
# while a REXX loop runs; sendfile and receivefile move a file through the TSO transfer program and
# back. Options by name and system variables: a host name set by a macro is saved and the next
# start connects there; the variables of that connected session; options changed in one run and
# found again by the next. (Refused option values and a cursor moved by assignment:
# tests/options/data/*.txt; an unknown REXX function: tests/rexx/rexx_session_test.cpp.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
start_host
HOST="127.0.0.1:$HOST_PORT"
MACROS="$APPDATA/macros"

# The data-entry macro both programs run.
cp "$ORKAN_SOURCE_DIR/tests/e2e/macro_entry.mac" "$MACROS/entry.mac"

# --- the whole round trip, exit 0 (the host's answer names the fields it received)
expect_run entry 0 "Debug: message: Saved ACME CORP: account 12345, 7 x 250, priority H." --host "$HOST" --macro entry

# --- a wrong value set by --run before the file runs: the macro's own code
expect_run wrong 11 "Debug: message: Priority is H, M or L." --host "$HOST" --run 'PRIO = "X"' --macro entry.mac

# --- an error: 2, with the report on stderr
expect_run error 2 "Debug: before" --run 'DEBUG("before") ; X = NOPE'
err_has error "Orkan macro error 10 - Variable or function not found"

# --- a missing macro file: 2
expect_run missing 2 "nosuch.mac\" not found" --macro nosuch

# --- a FIFO named as the macro file is refused at once, never read: 2
mkfifo "$MACROS/fifo.mac"
expect_run fifo 2 "fifo.mac\" could not be read whole: The name is not a regular file." --macro fifo

# --- EDITBOX is answered with Cancel, which stops the macro: 4
expect_run edit 4 "Question: Go on?" --run 'A = MESSAGEBOX("Go on?", "Question", 2, 1) ; N = EDITBOX("Name?") ; EXIT 9'
err_has edit "(answered Cancel)"
err_has edit "Macro Stopped: Macro stopped by cancelling an EditBox"

# --- the host closes the session the macro logged off: the macro, not the close, ends the program
cat >"$MACROS/logoff.mac" <<'EOF'
WAIT(20, ONSCREEN("User id"))
KEY("PF3")
WAIT(20, STATUS = "NOTCONNECTED")
EXIT 5
EOF
expect_run logoff 5 "" --host "$HOST" --macro logoff

# --- the connection fails before the macro could start: 3
stop_host
expect_run refused 3 "" --host "$HOST" --macro entry
start_host
HOST="127.0.0.1:$HOST_PORT"

# --- RUN("x", "B") starts a macro in the session process with letter B
cat >"$MACROS/fromA.mac" <<'EOF'
WAIT(20, ONSCREEN("User id"))
TYPE("bob")
KEY("Enter")
EOF
start_at_logon b --letter B --host "$HOST"
expect_run a 0 "" --letter A --run 'RUN("fromA.mac", "B") ; EXIT 0'
expect_out b "MAIN MENU"
grep -qF "User bob" "$WORK/b.out" || fail "b's stdout lacks 'User bob'"
expect_run c 2 "Orkan macro error 66 - Session id specified on Run statement is not an open window" --letter C --run 'RUN("fromA", "Q")'
term_ok b

# --- REXX: the data-entry macro, its return code as the exit status
cp "$ORKAN_SOURCE_DIR/tests/e2e/rexx_entry.mac" "$MACROS/rexx_entry.mac"
expect_run rexx_entry 33 "Debug: message: Saved ACME CORP: account 12345, 7 x 250, priority H." --host "$HOST" --macro rexx_entry

# --- an error in the program: 2, with the interpreter's report on stderr
cat >"$MACROS/broken.mac" <<'MAC'
/* rexx */
say 'before'
x = attribute(99, 1)
MAC
expect_run broken 2 "Debug: before" --macro broken
err_has broken "Error 1002 - An argument is out of range or not a number"
err_has broken "Return code from REXX is -40"

# --- REXX as --run text, by its first line
expect_run text 44 "Debug: from text" --run $'/* REXX */\nsay \'from text\'\nexit 300'

# --- SIGTERM and SIGINT end the program while a REXX loop runs, which did not end by itself
printf '/* REXX */\nsay "looping"\ndo forever\n  nop\nend\n' >"$MACROS/loop.mac"
for signal in TERM INT; do
    start_orkan "loop$signal" --macro loop
    waitfor 10 grep -qF "Debug: looping" "$WORK/loop$signal.err" || fail "the REXX loop did not start"
    finish_orkan "loop$signal" "$signal"
    expect_rc 4 "SIG$signal during a REXX loop"
done

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
X = SETOPTION("general", "sessionname", "Payroll")
X = SETOPTION("FONT", "SIZE", "9 x 18")
X = SETOPTION("COLORS", "COLOR3", 255)
MAC
expect_run facts 0 "Debug: facts UNLOCKED 127.0.0.1 IPv4 127.0.0.1 80 A" --macro facts

# --- what the last run set is in the session file
expect_run saved 0 "" --run 'IF GETOPTION("GENERAL", "SESSIONNAME") != "Payroll" | SESSNAME != "Payroll" ; EXIT 20 ; ENDIF ; IF GETOPTION("FONT", "SIZE") != "9 x 18" ; EXIT 21 ; ENDIF ; IF GETOPTION("COLORS", "COLOR3") != 255 ; EXIT 22 ; ENDIF'

# --- sendfile and receivefile through the TSO transfer program
stop_host
mkdir -p "$WORK/hostfiles" "$WORK/pc"
start_host --transfer tso --transfer-files "$WORK/hostfiles"
HOST="127.0.0.1:$HOST_PORT"
printf 'first line\nsecond line, longer than the first\n\n  indented last line\n' >"$WORK/pc/up.txt"
cat >"$MACROS/xfer.mac" <<MAC
/* REXX: a file up and back down */
call wait 20, "onscreen('READY')"
if sendfile('$WORK/pc/up.txt', 'test.rexx', 'TEXT', 'TSO') <> 0 then exit 41
call wait 20, "onscreen('READY')"
if receivefile('test.rexx', '$WORK/pc/down.txt', 'TEXT') <> 0 then exit 42
exit 0
MAC
expect_run xfer 0 "" --host "$HOST" --macro xfer
cmp -s "$WORK/pc/up.txt" "$WORK/pc/down.txt" || fail "the file came back different: $(od -c "$WORK/pc/down.txt" | head -5)"
echo "PASS"
