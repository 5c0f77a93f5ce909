#!/usr/bin/env bash
# The headless program against testhost over loopback: the first start in an empty HOME records
# its session as the last one (what it fills in: tests/app/startup_test.cpp); TN3270E with an LU from the host's pool (assigned and asked for), plain TN3270
# (host without TN3270E, session that refuses it), IPv6, the tn3270:// form and a named session
# file. Each logon panel is read from the program's stdout while it still runs, and SIGTERM ends
# it cleanly. The headless program loads no window library: showing its first screen, its memory
# map holds no Qt, X11 or GL library (the desktop program is a program of its own), and without TLS
# or printing none of the TLS, font or compression libraries either (their modules load when first
# used).
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
rm -rf "$HOME/.config"  # the first start's HOME is empty

# --- first start in an empty HOME, TN3270E with an assigned LU
start_host --lu-pool TST001-TST003
start_at_logon first --host "127.0.0.1:$HOST_PORT"
grep -qE "LU TST001 +Mode TN3270E" "$WORK/first.out" || fail "no TN3270E session with LU TST001"
pid=$(sed -n 's/^orkan3270: session ., process \([0-9]*\)$/\1/p' "$WORK/first.err")
[ -n "$pid" ] && [ -r "/proc/$pid/maps" ] || fail "no process id on stderr"
grep -q 'libc\.so' "/proc/$pid/maps" || fail "the memory map was not read (libc missing from it)"
if grep -E 'libQt6|libX11|libxcb|libGL|libEGL|libicu' "/proc/$pid/maps" >&2; then
    fail "the headless program mapped window libraries"
fi
if grep -E 'libssl|libcrypto|libfontconfig|libfreetype|orkan3270-(tls|pdf)' "/proc/$pid/maps" >&2; then
    fail "a session without TLS or printing mapped their libraries"
fi
term_ok first
err_has first "orkan3270: session A"
grep -q "^LastSession=standard.ses" "$APPDATA/orkan.ini" || fail "LastSession not written"
log_has 'READY TN3270E terminal=IBM-3278-2-E lu=TST001'

# --- an LU asked for by name
start_at_logon named_lu --host "127.0.0.1:$HOST_PORT" --lu TST003
grep -qE "LU TST003 +Mode TN3270E" "$WORK/named_lu.out" || fail "LU TST003 was not connected"
term_ok named_lu
log_has 'DEVICE-TYPE REQUEST "IBM-3278-2-E" CONNECT "TST003"'

# --- a session file that refuses TN3270E: plain TN3270 with the same host
make_session plain host="127.0.0.1:$HOST_PORT" tn3270e=0
start_at_logon plain_session plain
grep -qE "Mode TN3270( |$)" "$WORK/plain_session.out" || fail "the session did not fall back to TN3270"
term_ok plain_session
log_has 'TELNET< IAC WONT TN3270E'
grep -q "^LastSession=plain.ses" "$APPDATA/orkan.ini" || fail "LastSession is not the named session"
stop_host

# --- a host without TN3270E, reached with the tn3270:// form and a model 4 terminal
start_host --no-tn3270e
start_at_logon url --model 4 "tn3270://127.0.0.1:$HOST_PORT/"
grep -q "Terminal IBM-3278-4-E" "$WORK/url.out" || fail "model 4 was not asked for"
grep -qE "Mode TN3270( |$)" "$WORK/url.out" || fail "not plain TN3270"
term_ok url
stop_host

# --- IPv6 loopback (when the machine has one)
if python3 -c 'import socket; socket.socket(socket.AF_INET6).bind(("::1", 0))' 2>/dev/null; then
    start_host --listen ::1
    start_at_logon v6 --host "[::1]:$HOST_PORT"
    term_ok v6
    log_has 'OPEN from \[?::1'
    stop_host
else
    echo "note: no IPv6 loopback on this machine; the IPv6 case was not run" >&2
fi

echo "PASS"
