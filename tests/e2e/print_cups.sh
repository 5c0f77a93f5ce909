#!/usr/bin/env bash
# The headless program prints to a CUPS queue of a scheduler the test starts on a private socket:
# host print text and a WCC-started screen reach "<default>" (the session's printer when none is
# given), CUPS's default destination, as PDF jobs. (A queue named by --printer:
# print_desktop_cups.sh.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
. "$ORKAN_SOURCE_DIR/tests/e2e/print/cups.sh"
start_cupsd
make_session hostprint hostprinting=1
start_host --app "$ORKAN_SOURCE_DIR/tests/e2e/print/print.app"

# The session's own printer is "<default>": the scheduler's default queue takes the jobs.
start_until default "REPORT 4711 READY" --host "127.0.0.1:$HOST_PORT" hostprint
wait_job 1 "HOST PRINT LINE ONE AND MORE"
wait_job 2 "REPORT 4711 READY"
term_ok default
grep -q "Orkan TN3270 Screen Print" "$CUPS_DIR/log/page_log" || fail "the screen job has not its name"
[ -s "$WORK/default.err" ] && grep -q "Printer" "$WORK/default.err" && fail "a printer error: $(cat "$WORK/default.err")"
echo "PASS"
