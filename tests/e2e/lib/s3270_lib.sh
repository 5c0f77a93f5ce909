# Helpers for the end-to-end tests that run s3270 (an independent 3270 client) against testhost.
# Sourced by tests/e2e/s3270_*.sh, which it skips where s3270 is not installed.

. "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

command -v s3270 >/dev/null 2>&1 || skip "s3270 is not installed (Debian package s3270; 'make deps' installs it)"
[ -x "${TESTHOST_BIN:-}" ] || fail "testhost is not built (TESTHOST_BIN: '${TESTHOST_BIN:-}')"

# s3_start [s3270 options]: runs s3270 as a coprocess that takes actions on its standard input.
s3_start() {
    coproc S3 { exec s3270 "$@" 2>&1; }
    track "$S3_PID"
}

# s3 ACTION: runs one action; S3_DATA holds its data lines (newline-separated, "data: " cut
# off) and the return status says whether s3270 answered "ok".
s3() {
    echo "$1" >&"${S3[1]}"
    S3_DATA=""
    local line
    while IFS= read -r -t 30 line <&"${S3[0]}"; do
        case "$line" in
            ok) return 0 ;;
            error) return 1 ;;
            data:\ *) S3_DATA+="${line#data: }"$'\n' ;;
            data:*) S3_DATA+=$'\n' ;;
        esac
    done
    fail "s3270 did not answer '$1'"
}

# quit_s3: s3270 quits and is waited for.
quit_s3() { echo "Quit()" >&"${S3[1]}"; wait "$S3_PID" 2>/dev/null; S3_PID=""; }

# s3_bye: s3270 disconnects and quits; the --once host must then end cleanly.
s3_bye() {
    s3_must "Disconnect()"
    quit_s3
    wait_host
}

# last_message: the last transfer message (TRANSnn - ...) on the screen.
last_message() {
    s3_must "Ascii()"
    grep -o 'TRANS[0-9][0-9] - [^ ].*[^ ]' <<<"$S3_DATA" | tail -n 1
}

# s3_must ACTION...: the actions one after another, each of which must succeed; S3_DATA holds the
# last one's data.
s3_must() {
    local action
    for action in "$@"; do s3 "$action" || fail "s3270 action '$action' failed: $S3_DATA"; done
}

# screen_has TEXT: the screen (Ascii()) holds TEXT, at once or within 10 seconds: a host
# answer of several records may reach s3270 in more than one read.
screen_shows() {
    s3_must "Ascii()"
    grep -qF -- "$1" <<<"$S3_DATA"
}
screen_has() { waitfor 10 screen_shows "$1" || fail "screen lacks '$1': $S3_DATA"; }

# logon USER PASSWORD: fills the demo's logon panel and checks that the main menu follows.
logon() {
    s3_must "Wait(10,InputField)"
    screen_has "User id"
    s3_must "String(\"$1\")" "Tab()" "String(\"$2\")" "Enter()" "Wait(10,InputField)"
    screen_has "MAIN MENU"
    screen_has "User $1"
}

# menu OPTION: picks an option of the demo's main menu.
menu() {
    s3_must "Wait(10,Unlock)" "String(\"$1\")" "Enter()" "Wait(10,Unlock)"
}
