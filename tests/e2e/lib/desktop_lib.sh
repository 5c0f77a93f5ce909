#!/usr/bin/env bash
# The desktop program's tests under Xvfb: refusals, a private X server, a home of their own, the
# program started there and ended cleanly, its windows found. Sourced, not run.

. "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
LIFETIME=900  # the desktop tour runs for up to fifteen minutes
APPDATA="$WORK/config/orkan3270"

# require_desktop TOOL...: a Qt build of the program, Xvfb and the named X tools, or a skip.
require_desktop() {
    : "${ORKAN_BIN:?}"
    [ -x "$ORKAN_BIN" ] || fail "ORKAN_BIN does not name the program"
    # Set by CTest only in a build with the desktop program: there, a missing one is a broken build.
    [ -n "${ORKAN_DESKTOP_BIN:-}" ] || skip "this build has no desktop program (built without Qt)"
    [ -x "$ORKAN_DESKTOP_BIN" ] || fail "the desktop program $ORKAN_DESKTOP_BIN was not built"
    local tool
    for tool in Xvfb "$@"; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (Debian packages xvfb, xdotool, xclip; 'make deps' installs them)"
    done
}

# start_xvfb [WIDTHxHEIGHT]: a server (1280x1024 unless given) on a display number of its own
# choosing (-displayfd), so parallel tests never collide; and a home of its own, so the program's
# folders, settings and runtime folder never touch the user's.
start_xvfb() {
    mkfifo "$WORK/displayfd"
    Xvfb -displayfd 3 -screen 0 "${1:-1280x1024}x24" -nolisten tcp -noreset 3>"$WORK/displayfd" 2>"$WORK/xvfb.err" &
    XVFB_PID=$!
    track "$XVFB_PID"
    read -r -t 20 DISPLAY_NUMBER <"$WORK/displayfd" || DISPLAY_NUMBER=""
    if [ -z "$DISPLAY_NUMBER" ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
        cat "$WORK/xvfb.err" >&2
        skip "Xvfb could not start"
    fi
    export DISPLAY=":$DISPLAY_NUMBER"
    unset WAYLAND_DISPLAY
    mkdir -p "$WORK/home" "$WORK/config" "$WORK/run"
    chmod 700 "$WORK/run"
}
# start_tls_session NAME [INI_LINE...]: testhost under TLS with a certificate of its own, and the
# application data as a first start leaves it, with orkan.ini (these lines and host NAMEhost on
# localhost, that certificate trusted) and the session file NAME.ses: CERTS.
start_tls_session() {
    local name=$1
    shift
    self_signed host "/CN=localhost" DNS:localhost,IP:127.0.0.1
    start_host --tls-cert "$CERTS/host.pem" --tls-key "$CERTS/host-key.pem"
    prepare_appdata
    host_list "${name}host" "$PORT" "$CERTS/host.pem" 1 1 "$@"
    make_session "$name" host="${name}host" ipname=localhost
}

# in_home COMMAND...: the command with that home, on the X server.
in_home() { HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=xcb "$@"; }

# start_program ARGS...: the desktop program in the background, in the private home, with any
# variables assigned before the call: PROGRAM_PID; its output in $WORK/NAME.out and .err, NAME
# being $PROGRAM_LOG or "program".
start_program() {
    # Not through in_home: a function run in the background is a subshell, and PROGRAM_PID must be
    # the program's own.
    HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=xcb \
        "$ORKAN_BIN" "$@" >"$WORK/${PROGRAM_LOG:-program}.out" 2>"$WORK/${PROGRAM_LOG:-program}.err" &
    PROGRAM_PID=$!
    track "$PROGRAM_PID"
}

# start_at_logon ARGS...: start_program with its screen text in $WORK/screen.txt, up to the demo's
# logon panel; WINDOW is its window, focused.
start_at_logon() {
    rm -f "$WORK/screen.txt"
    ORKAN_SCREEN_TEXT="$WORK/screen.txt" start_program "$@"
    waitfor "$PATIENCE" screen_has "User id" || fail "the logon panel did not arrive"
    WINDOW=$(focus_window "$PROGRAM_PID") || fail "cannot focus the window"
}

# shown TITLE: a visible window whose name matches TITLE (a regular expression).
shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
# screen_has TEXT: the program's screen text (ORKAN_SCREEN_TEXT=$WORK/screen.txt) holds TEXT.
screen_has() { [ -f "$WORK/screen.txt" ] && grep -q "$1" "$WORK/screen.txt"; }
# has FILE TEXT: FILE exists and holds TEXT (a regular expression).
has() { grep -q -- "$2" "$1" 2>/dev/null; }

not_shown() { ! shown "$1"; }
# focus WINDOW: raised and given the keyboard.
focus() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null; }

# focus_window PID: the program's visible window, focused; prints its id.
focus_window() {
    local window
    window=$(xdotool search --sync --onlyvisible --pid "$1" 2>/dev/null | head -n 1)
    [ -n "$window" ] && focus "$window" || return 1
    echo "$window"
}

# focus_shown TITLE: within 10 seconds a visible window whose name matches TITLE, focused; prints
# its id.
focus_shown() {
    local window
    waitfor 10 shown "$1" || return 1
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    focus "$window" || return 1
    echo "$window"
}

# png_check COMMAND ARGS...: a check of desktop_png.py on a screenshot or report, or fail with its words.
png_check() {
    local problem
    problem=$(/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/desktop_png.py" "$@") || fail "$1: $problem"
}

# end_program: SIGTERM closes the session as a normal close does: the program ends with status 0.
end_program() {
    kill -TERM "$PROGRAM_PID"
    local status=0
    wait "$PROGRAM_PID" || status=$?
    PROGRAM_PID=""
    [ "$status" = 0 ] || fail "the program ended with status $status"
}
