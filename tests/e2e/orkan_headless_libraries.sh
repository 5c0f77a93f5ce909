#!/usr/bin/env bash
# The headless program loads no window library: connected to testhost and showing its first screen,
# its memory map holds no Qt, X11 or GL library (the desktop program is a program of its own), and
# without TLS or printing none of the TLS, font or compression libraries either (their modules load
# when first used).
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"

start_host
start_orkan lean --dump --host "127.0.0.1:$HOST_PORT"
expect_out lean "User id"
pid=$(sed -n 's/^orkan3270: session ., process \([0-9]*\)$/\1/p' "$WORK/lean.err")
[ -n "$pid" ] && [ -r "/proc/$pid/maps" ] || fail "no process id on stderr"
grep -q 'libc\.so' "/proc/$pid/maps" || fail "the memory map was not read (libc missing from it)"
if grep -E 'libQt6|libX11|libxcb|libGL|libEGL|libicu' "/proc/$pid/maps" >"$WORK/window_libraries"; then
    cat "$WORK/window_libraries" >&2
    fail "the headless program mapped window libraries"
fi
if grep -E 'libssl|libcrypto|libfontconfig|libfreetype|orkan3270-(tls|pdf)' "/proc/$pid/maps" >"$WORK/module_libraries"; then
    cat "$WORK/module_libraries" >&2
    fail "a session without TLS or printing mapped their libraries"
fi
finish_orkan lean TERM
expect_rc 0
echo PASS
