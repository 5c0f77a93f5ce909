#!/usr/bin/env bash
# The desktop program read through the accessibility bus as a screen reader reads it: a private
# D-Bus session (dbus-run-session; the AT-SPI bus starts from at-spi2-core on demand), Xvfb and
# testhost's demo; lib/a11y_reader.py starts the program and checks the terminal's text, caret,
# field descriptions, text-changed events, status bar and the names of every control of the main
# window and of the dialogs of the dialog tour's table (lib/desktop_tour.tsv), and that each of them
# gives a control the keyboard focus and walks its controls by Tab. The session runs under TLS.
source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool dbus-run-session openssl
: "${ORKAN_BINARY_DIR:?}" "${ORKAN_SOURCE_DIR:?}"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "at-spi-bus-launcher is missing (Debian package at-spi2-core)"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "pyatspi is missing (Debian package python3-pyatspi)"

start_xvfb 1366x768
start_tls_session a11y AnnounceLastRowsFirst=1

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0 in_home timeout 540 dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/lib/a11y_reader.py" \
    "$ORKAN_BIN" "$WORK/host.log" "$(dirname "$0")/lib/desktop_tour.tsv" -- a11y \
    >"$WORK/reader.out" 2>"$WORK/reader.err"
STATUS=$?
grep -v -e "^dbus-daemon\[" -e "SpiRegistry daemon" "$WORK/reader.err" >&2
[ "$STATUS" = 0 ] || fail "the screen reader's checks failed (status $STATUS)"
cat "$WORK/reader.out"
