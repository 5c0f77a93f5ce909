#!/usr/bin/env bash
# The headless program's details: a session without a host is NOTCONNECTED and keys run in it; a
# relative --macro name is taken in the current folder first (a FIFO there is refused under its own
# name), then in the macros folder; a host that never answers the transfer command ends
# REXX's receivefile after TransferTimeout seconds, with the reason on stderr (the own language's
# RECEIVEFILE: security_files.sh); a program a macro starts writes to stderr, never among the
# screens on stdout.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
MACROS="$APPDATA/macros"

# --- no host: NOTCONNECTED, and typing reaches the screen
expect_run nohost 0 "Debug: NOTCONNECTED" --run 'DEBUG(STATUS) ; TYPE("hello") ; DEBUG(SCREEN(1, 1, 5))'
err_has nohost "Debug: hello"

# --- a program started by a macro: its output on stderr, its input empty
expect_run child 0 "" --dump --run "WINEXEC(\"sh -c \"\"echo CHILD-OUT; cat; touch $WORK/child.done\"\"\")"
waitfor 10 test -e "$WORK/child.done" || fail "the program did not end: its standard input is not empty"
err_has child "CHILD-OUT"
! grep -q CHILD-OUT "$WORK/child.out" || fail "the program wrote among the screens on stdout"

# --- --macro NAME: the current folder first, then the macros folder
mkdir -p "$WORK/here" "$WORK/elsewhere"
printf 'EXIT 7\n' >"$WORK/here/local.mac"
printf 'EXIT 8\n' >"$MACROS/local.mac"
printf 'EXIT 9\n' >"$MACROS/only.mac"
cd "$WORK/here" || fail "no folder $WORK/here"
expect_run here 7 "" --macro local
expect_run here_ext 7 "" --macro local.mac
mkfifo "$WORK/here/only.mac"
expect_run fifo 2 "Macro file \"$WORK/here/only.mac\" could not be read whole: The name is not a regular file." --macro only
cd "$WORK/elsewhere" || fail "no folder $WORK/elsewhere"
expect_run there 8 "" --macro local
cd "$WORK" || exit 1

# --- a transfer command the host never answers: ended after TransferTimeout seconds
start_host --transfer tso --fault ft-no-answer
write_ini "TransferTimeout=2"
unanswered="The host did not answer the transfer command for 2 seconds"
cat >"$MACROS/silent.mac" <<MAC
/* REXX */
call wait 20, "onscreen('READY')"
exit receivefile('X.DATA', '$WORK/got.txt', 'TEXT') + 30
MAC
expect_run silentrexx 31 "Receiving X.DATA into $WORK/got.txt failed:" --host "127.0.0.1:$HOST_PORT" --macro silent
err_has silentrexx "$unanswered"
[ ! -e "$WORK/got.txt" ] || fail "a file was written although nothing came"
grep -q "$unanswered" "$APPDATA/transfer.log" || fail "the transfer log lacks the reason"
stop_host
echo "PASS"
