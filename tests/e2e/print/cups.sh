# A CUPS scheduler of the test's own, on a private socket, with one queue whose jobs stay in its
# spool folder for the test to read. Sourced by tests/e2e/print_*.sh after their own library
# (which provides WORK, fail, skip, waitfor and the cleanup of tracked processes).

# start_cupsd: CUPS_SERVER points at it, queue "orkanq" is the default; exits 77 (skip) where
# cupsd cannot run here.
start_cupsd() {
    local tool
    for tool in /usr/sbin/cupsd lpadmin lpstat lp pdftotext; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (Debian packages cups, cups-client, poppler-utils)"
    done
    CUPS_DIR="$WORK/cups"
    mkdir -p "$CUPS_DIR/spool" "$CUPS_DIR/tmp" "$CUPS_DIR/cache" "$CUPS_DIR/state" "$CUPS_DIR/log"
    chmod 755 "$WORK" "$CUPS_DIR"
    chmod 1777 "$CUPS_DIR/tmp"
    # Its configuration, from the files beside this one.
    local conf
    for conf in cupsd.conf cups-files.conf; do
        sed "s|@CUPS_DIR@|$CUPS_DIR|g" "$(dirname "${BASH_SOURCE[0]}")/$conf" >"$CUPS_DIR/$conf"
    done
    timeout -k 5 300 /usr/sbin/cupsd -f -c "$CUPS_DIR/cupsd.conf" -s "$CUPS_DIR/cups-files.conf" \
        >"$CUPS_DIR/log/cupsd.out" 2>&1 &
    CUPSD_PID=$!
    track "$CUPSD_PID"
    export CUPS_SERVER="$CUPS_DIR/cups.sock"
    # Answering, or gone (then it is skipped).
    cups_settled() { ! kill -0 "$CUPSD_PID" 2>/dev/null || { [ -S "$CUPS_SERVER" ] && lpstat -r >/dev/null 2>&1; }; }
    waitfor 10 cups_settled
    lpstat -r >/dev/null 2>&1 ||
        skip "cupsd could not start here: $(tail -n 3 "$CUPS_DIR/log/cupsd.out" "$CUPS_DIR/log/error_log" 2>/dev/null)"
    lpadmin -p orkanq -E -v file:///dev/null -m raw 2>/dev/null || fail "lpadmin could not add the queue"
    lpadmin -d orkanq || fail "lpadmin could not make the queue the default"
}

# spooled_text N: the text (pdftotext -layout) of the N-th document the queue has received, once
# the scheduler has completed it; empty until then.
spooled_text() {
    local file
    file=$(printf '%s/spool/d%05d-001' "$CUPS_DIR" "$1")
    lpstat -W completed -o orkanq 2>/dev/null | grep -q "^orkanq-$1 " || return 0
    [ -s "$file" ] && pdftotext -layout "$file" - 2>/dev/null
}

# wait_job N TEXT: within 30 seconds the N-th job arrives and its document holds TEXT.
job_holds() { spooled_text "$1" | grep -q -- "$2"; }
wait_job() {
    waitfor 30 job_holds "$1" "$2" ||
        fail "job $1 with '$2' never reached the queue ($(lpstat -W all -o orkanq 2>&1 | tr '\n' ';'))"
}
