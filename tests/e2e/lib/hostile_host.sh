# The hostile host of the host-macro tests (tests/e2e/host_macro_*.sh), on headless_lib.sh:
# testhost asks the terminal for ASCII mode (so macro text keeps its line ends and what the
# terminal types goes out as it is), sends one macro file as remote macro text, and serves a
# screen of one input field; every byte the terminal sends lands in $CLIENT_LOG. A test's macro
# ends by typing DONE and pressing Enter (after Enter it waits for the keyboard before it types
# again); what it may not do ends it before that.

. "$(dirname "${BASH_SOURCE[0]}")/headless_lib.sh"
CLIENT_LOG="$WORK/client.bin"

# start_hostile MACRO_FILE: a testhost that sends this macro to every terminal.
start_hostile() {
    cp "$1" "$WORK/attack.mac"
    cp "$LIB_DIR/hostile.app" "$WORK/hostile.app"
    : >"$CLIENT_LOG"
    start_host --app "$WORK/hostile.app" --client-log "$CLIENT_LOG"
}

# wait_macro NAME [MARK]: until the terminal sent MARK (default DONE) or NAME's stderr holds a
# macro error report.
macro_ended() {
    grep -aqF -- "$2" "$CLIENT_LOG" ||
        grep -qE "Orkan macro error|Error 1[0-9]{3} |Return code from REXX" "$WORK/$1.err" 2>/dev/null
}
wait_macro() { waitfor "$PATIENCE" macro_ended "$1" "${2:-DONE}" || fail "$1's host macro neither sent ${2:-DONE} nor failed"; }

# run_attack NAME MACRO [MARK]: the macro from a hostile host to a headless session; the program
# ends once the macro sent MARK or failed. MACRO's first line is a comment, "/* ..." in REXX: after
# it the macro waits for the keyboard, and at its end it waits again, types DONE and presses Enter.
run_attack() {
    local name=$1 mark=${3:-DONE} wait='WAITUNLOCKED(10)' done=$'TYPE("DONE")\nKEY("Enter")'
    [[ $2 == /\** ]] && wait='call waitunlocked 10' done=$'call type \'DONE\'\ncall key \'Enter\''
    printf '%s\n%s\n%s\n%s\n%s\n' "${2%%$'\n'*}" "$wait" "${2#*$'\n'}" "$wait" "$done" >"$WORK/$name.mac"
    start_hostile "$WORK/$name.mac"
    start_orkan "$name" --host "127.0.0.1:$HOST_PORT"
    wait_macro "$name" "$mark"
    finish_orkan "$name" TERM
    stop_host
}
