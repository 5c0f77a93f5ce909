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
run_orkan entry --host "$HOST" --macro entry
expect_rc 0 "the data-entry macro"
err_has entry "Debug: message: Saved ACME CORP: account 12345, 7 x 250, priority H."
log_has 'FIELD priority .*"H"'
log_has 'FIELD custname .*"ACME CORP"'

# --- a wrong value set by --run before the file runs: the macro's own code
run_orkan wrong --host "$HOST" --run 'PRIO = "X"' --macro entry.mac
expect_rc 11 "the macro's check of the host's answer"
err_has wrong "Debug: message: Priority is H, M or L."

# --- without a host the macro runs in a session that never connects
run_orkan code --run 'EXIT 300'
expect_rc 44 "EXIT 300 modulo 256"
run_orkan plain --run 'A = 1'
expect_rc 0 "a macro without EXIT"

# --- an error: 2, with the report on stderr
run_orkan error --run 'DEBUG("before") ; X = NOPE'
expect_rc 2 "a macro error"
err_has error "Debug: before"
err_has error "Macro Error in (macro text): Macro error at line 1, near column"
err_has error "Orkan macro error 10 - Variable or function not found"

# --- a missing macro file: 2
run_orkan missing --macro nosuch
expect_rc 2 "a missing macro file"
err_has missing "nosuch.mac\" not found"

# --- a FIFO named as the macro file is refused at once, never read: 2
mkfifo "$MACROS/fifo.mac"
run_orkan fifo --macro fifo
expect_rc 2 "a FIFO as the macro file"
err_has fifo "fifo.mac\" could not be read whole: The name is not a regular file."

# --- EDITBOX is answered with Cancel, which stops the macro: 4
run_orkan edit --run 'A = MESSAGEBOX("Go on?", "Question", 2, 1) ; N = EDITBOX("Name?") ; EXIT 9'
expect_rc 4 "a stopped macro"
err_has edit "Question: Go on?"
err_has edit "(answered Cancel)"
err_has edit "Macro Stopped: Macro stopped by cancelling an EditBox"

# --- the host closes the session the macro logged off: the macro, not the close, ends the program
cat >"$MACROS/logoff.mac" <<'EOF'
WAIT(20, ONSCREEN("User id"))
KEY("PF3")
WAIT(20, STATUS = "NOTCONNECTED")
EXIT 5
EOF
run_orkan logoff --host "$HOST" --macro logoff
expect_rc 5 "the logoff macro's own code"

# --- the connection fails before the macro could start: 3
stop_host
run_orkan refused --host "$HOST" --macro entry
expect_rc 3 "no host to run the macro against"
start_host
HOST="127.0.0.1:$HOST_PORT"

# --- RUN("x", "B") starts a macro in the session process with letter B
cat >"$MACROS/fromA.mac" <<'EOF'
WAIT(20, ONSCREEN("User id"))
TYPE("bob")
KEY("Enter")
EOF
start_orkan b --dump --letter B --host "$HOST"
expect_out b "User id"
run_orkan a --letter A --run 'RUN("fromA.mac", "B") ; EXIT 0'
expect_rc 0 "the caller goes on at once"
expect_out b "MAIN MENU"
out_has b "User bob"
run_orkan c --letter C --run 'RUN("fromA", "Q")'
expect_rc 2 "a session letter that is not running"
err_has c "Orkan macro error 66 - Session id specified on Run statement is not an open window"
finish_orkan b TERM
expect_rc 0 "session B ends on SIGTERM"

echo "PASS"
