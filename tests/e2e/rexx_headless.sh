#!/usr/bin/env bash
# REXX macros in the headless program against testhost: a macro logs on to the demo, fills in the
# data-entry panel, reads the host's answer and ends with its own return code as the exit status;
# an error ends with 2; SIGTERM and SIGINT end the program while a REXX loop runs; an unknown function never
# runs a program of that name; sendfile and receivefile move a file through the TSO transfer
# program and back.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
prepare_appdata
start_host
HOST="127.0.0.1:$HOST_PORT"
MACROS="$APPDATA/macros"

cp "$ORKAN_SOURCE_DIR/tests/e2e/rexx_entry.mac" "$MACROS/entry.mac"
expect_run entry 33 "Debug: message: Saved ACME CORP: account 12345, 7 x 250, priority H." --host "$HOST" --macro entry
log_has 'FIELD custname .*"ACME CORP"'

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

# --- an unknown function runs no program of its name
mkdir -p "$WORK/bin"
for name in ORKANPROBE orkanprobe; do
    printf '#!/bin/sh\ntouch "%s/probe-ran"\n' "$WORK" >"$WORK/bin/$name"
    chmod +x "$WORK/bin/$name"
done
printf '/* REXX */\nx = orkanprobe()\n' >"$MACROS/probe.mac"
PATH="$WORK/bin:$PATH" expect_run probe 2 "" --macro probe
[ ! -e "$WORK/probe-ran" ] || fail "an unknown REXX function ran a program"

# --- SIGTERM and SIGINT end the program while a REXX loop runs, which did not end by itself
printf '/* REXX */\nsay "looping"\ndo forever\n  nop\nend\n' >"$MACROS/loop.mac"
start_orkan loop --macro loop
waitfor 10 grep -qF "Debug: looping" "$WORK/loop.err" || fail "the REXX loop did not start"
finish_orkan loop TERM
expect_rc 4 "SIGTERM during a REXX loop"
start_orkan loopint --macro loop
waitfor 10 grep -qF "Debug: looping" "$WORK/loopint.err" || fail "the REXX loop did not start"
finish_orkan loopint INT
expect_rc 4 "SIGINT during a REXX loop"

# --- sendfile and receivefile through the TSO transfer program
stop_host
mkdir -p "$WORK/hostfiles" "$WORK/pc"
start_host --transfer tso --transfer-files "$WORK/hostfiles"
HOST="127.0.0.1:$HOST_PORT"
printf 'first line\nsecond line\n' >"$WORK/pc/up.txt"
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
