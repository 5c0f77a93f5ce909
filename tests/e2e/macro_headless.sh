#!/usr/bin/env bash
# Headless automation with macros against testhost's demo: a macro logs on, chooses the data-entry
# panel from the menu, fills it in, checks the host's answer and a field with SCREEN and exits 0;
# the same macro with a wrong value exits with its own code; errors, a stop, a macro file that is
# missing or a FIFO and a macro that logs off each end the program with their status; RUN("x", "B") runs a
# macro in a second session process.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
prepare_appdata
start_host
HOST="127.0.0.1:$HOST_PORT"
MACROS="$APPDATA/macros"

# The data-entry macro both programs run.
cp "$ORKAN_SOURCE_DIR/tests/e2e/macro_entry.mac" "$MACROS/entry.mac"

# --- the whole round trip, exit 0
expect_run entry 0 "Debug: message: Saved ACME CORP: account 12345, 7 x 250, priority H." --host "$HOST" --macro entry
log_has 'FIELD priority .*"H"'
log_has 'FIELD custname .*"ACME CORP"'

# --- a wrong value set by --run before the file runs: the macro's own code
expect_run wrong 11 "Debug: message: Priority is H, M or L." --host "$HOST" --run 'PRIO = "X"' --macro entry.mac

# --- without a host the macro runs in a session that never connects
expect_run code 44 "" --run 'EXIT 300'
expect_run plain 0 "" --run 'A = 1'

# --- an error: 2, with the report on stderr
expect_run error 2 "Debug: before" --run 'DEBUG("before") ; X = NOPE'
err_has error "Macro Error in (macro text): Macro error at line 1, near column"
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
out_has b "User bob"
expect_run c 2 "Orkan macro error 66 - Session id specified on Run statement is not an open window" --letter C --run 'RUN("fromA", "Q")'
term_ok b

echo "PASS"
