#!/usr/bin/env bash
# The headless program prints what the host sends: host print text (structured field 0x0F) at the
# next Erase/Write, and a screen whose WCC starts the printer, into PDF and text files named by
# --printer (relative to where the program was started). (A printer that does not exist:
# tests/print/printing_test.cpp and print_desktop_cups.sh.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
command -v pdftotext >/dev/null || skip "pdftotext is not installed (Debian package poppler-utils)"
APP="$ORKAN_SOURCE_DIR/tests/e2e/print/print.app"

make_session hostprint hostprinting=1 username="Printed by &L"
start_host --app "$APP"
cd "$WORK" || fail "no work folder"
mkdir -p out

# wait_file FILE TEXT: within 30 seconds FILE exists and (through pdftotext for a PDF) holds TEXT.
file_text() { case "$1" in *.pdf) pdftotext -layout "$1" - 2>/dev/null ;; *) cat "$1" ;; esac; }
holds() { [ -s "$1" ] && file_text "$1" | grep -q -- "$2"; }
wait_file() { waitfor 30 holds "$1" "$2" || fail "$1 never held '$2'"; }

# --- PDF: the host text is one job, the screen (start printer) the next, in a file of its own.
start_until pdf "REPORT 4711 READY" --printer out/host.pdf --host "127.0.0.1:$HOST_PORT" hostprint
wait_file out/host.pdf "HOST PRINT LINE ONE AND MORE"
wait_file out/host-2.pdf "REPORT 4711 READY"
term_ok pdf
log_has 'print text acknowledged'

# --- text: both jobs in one file, a form feed between them.
start_until txt "REPORT 4711 READY" --printer out/host.txt --host "127.0.0.1:$HOST_PORT" hostprint
wait_file out/host.txt "Total *12,345.67"
term_ok txt
head -n 1 out/host.txt | grep -qx "HOST PRINT LINE ONE AND MORE" || fail "the host text is not the first job: $(head -n 3 out/host.txt)"
grep -q $'^\fPrinted by A$' out/host.txt || fail "the screen job does not follow after a form feed"
echo "PASS"
