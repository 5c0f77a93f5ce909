#!/usr/bin/env bash
# The desktop program read through the accessibility bus as a screen reader reads it: a private
# D-Bus session (dbus-run-session; the AT-SPI bus starts from at-spi2-core on demand), Xvfb and
# testhost's demo; lib/a11y_reader.py starts the program and checks the terminal's text, caret,
# field descriptions, text-changed events, status bar and the names of every control of the main
# window and of the dialogs of the dialog tour's table (lib/desktop_tour.tsv), and that each of them
# gives a control the keyboard focus and walks its controls by Tab. The session runs under TLS.
set -u

source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool dbus-run-session openssl
: "${ORKAN_BINARY_DIR:?}" "${ORKAN_SOURCE_DIR:?}"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "at-spi-bus-launcher is missing (Debian package at-spi2-core)"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "pyatspi is missing (Debian package python3-pyatspi)"

start_xvfb 1366x768
CERTS="$WORK/certs"
mkdir -p "$CERTS"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$CERTS/host-key.pem" -out "$CERTS/host.pem" -days 2 \
    -subj "/CN=localhost" -addext subjectAltName=DNS:localhost,IP:127.0.0.1 >"$WORK/openssl.log" 2>&1 ||
    fail "openssl could not make the host's certificate"
start_testhost --tls-cert "$CERTS/host.pem" --tls-key "$CERTS/host-key.pem"
prepare_home
APPDATA="$WORK/config/orkan3270"
mkdir -p "$APPDATA"
cp "$ORKAN_BINARY_DIR"/share/orkan3270/defaults/*.* "$APPDATA/"
printf '[Orkan]\nAnnounceLastRowsFirst=1\nHostnames=a11yhost,\nIPnames=localhost,\nPortnums=%s,\nTN3270E=1,\nSSL=6,\nLunames=,\nKeepAliveTimes=0,\nCA_Certs=%s,\nClient_Certs=,\nClient_Keys=,\nValidate_Host_Cert=1,\nDomain_Must_Match_Host=1,\n' \
    "$PORT" "$CERTS/host.pem" >"$APPDATA/orkan.ini"
python3 "$ORKAN_SOURCE_DIR/tests/app/e2e/make_session.py" "$APPDATA/standard.ses" "$APPDATA/a11y.ses" \
    host=a11yhost ipname=localhost || fail "could not write a11y.ses"

HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=xcb \
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0 \
    timeout 240 dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/lib/a11y_reader.py" \
    "$ORKAN_BIN" "$WORK/host.log" "$(dirname "$0")/lib/desktop_tour.tsv" -- a11y \
    >"$WORK/reader.out" 2>"$WORK/reader.err"
STATUS=$?
grep -v -e "^dbus-daemon\[" -e "SpiRegistry daemon" "$WORK/reader.err" >&2
[ "$STATUS" = 0 ] || fail "the screen reader's checks failed (status $STATUS)"
cat "$WORK/reader.out"
