#!/usr/bin/env bash
# The headless program loads no window library: connected to testhost and showing its first screen,
# its memory map holds no Qt, X11 or GL library (the desktop program is a program of its own).
. "${ORKAN_SOURCE_DIR:?}/tests/app/e2e/lib.sh"
require_programs

start_host
start_orkan lean --dump --host "127.0.0.1:$HOST_PORT"
expect_out lean "User id"
pid=$(sed -n 's/^orkan3270: session ., process \([0-9]*\)$/\1/p' "$WORK/lean.err")
[ -n "$pid" ] && [ -r "/proc/$pid/maps" ] || fail "no process id on stderr"
grep -q 'libssl' "/proc/$pid/maps" || fail "the memory map was not read (libssl missing from it)"
if grep -E 'libQt6|libX11|libxcb|libGL|libEGL|libicu' "/proc/$pid/maps" >"$WORK/window_libraries"; then
    cat "$WORK/window_libraries" >&2
    fail "the headless program mapped window libraries"
fi
finish_orkan lean TERM
expect_rc 0
echo PASS
