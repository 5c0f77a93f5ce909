#!/usr/bin/env bash
# Macros of both languages in the desktop program under Xvfb: the headless tests' data-entry macro
# logs on and fills in testhost's panel from the window; a macro looping without end keeps the
# window painting and is stopped by the Pause key. The time from the key's arrival to the macro
# letter gone from the status line is printed (asserted only loosely: the machine may be loaded).
set -u

source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
start_xvfb
start_host
prepare_home
HERE="$(cd "$(dirname "$0")" && pwd)"
printf '/* REXX */\ni = 0\ndo forever\n  i = i + 1\nend\n' >"$WORK/loop.mac"
declare -A LOOP=([macro]="--run" [rexx]="--macro")
declare -A LOOP_TEXT=([macro]='I = 0 ; WHILE 1 ; I = I + 1 ; ENDWHILE' [rexx]="$WORK/loop.mac")

# run_program NAME ARGS...: the desktop program with the macro trace on; $WORK/NAME.err.
run_program() {
    local name=$1
    shift
    PROGRAM_LOG=$name ORKAN_MACRO_TRACE=1 ORKAN_SCREEN_TEXT="$WORK/$name.screen" \
        start_program --host "127.0.0.1:$PORT" "$@"
}

for language in macro rexx; do
    # --- the data-entry macro, given as a path
    run_program "$language-entry" --macro "$HERE/${language}_entry.mac"
    err="$WORK/$language-entry.err"
    waitfor 60 has "$WORK/host.log" 'FIELD priority .*"H"' || fail "$language: the macro did not send the panel"
    waitfor 30 has "$err" "macro letter gone" || fail "$language: the macro letter never went away"
    grep -q "status letter P" "$err" || fail "$language: the status line never showed the macro letter"
    grep -q 'FIELD custname .*"ACME CORP"' "$WORK/host.log" || fail "$language: the host did not get the customer name"
    grep -q "Macro Error" "$err" && fail "$language: the macro reported an error"
    if [ "$language" = macro ]; then
        waitfor 30 has "$WORK/$language-entry.screen" "MAIN MENU" || fail "the macro did not go back to the menu"
    fi
    end_program

    # --- a loop without end; the Pause key stops it
    run_program "$language-loop" "${LOOP[$language]}" "${LOOP_TEXT[$language]}"
    err="$WORK/$language-loop.err"
    WINDOW=$(focus_window "$PROGRAM_PID") || fail "$language: cannot focus the window"
    # The letter blinks: the status line is painted again and again while the loop runs.
    painted() { [ "$(grep -c "status letter P" "$err")" -ge 4 ]; }
    waitfor 20 painted || fail "$language: the status line was painted $(grep -c "status letter P" "$err") times while the loop ran"
    grep -q "macro letter gone" "$err" && fail "$language: the loop ended by itself"
    sent=$(date +%s%N)
    xdotool key Pause
    waitfor 10 has "$err" "macro letter gone" || fail "$language: the Pause key did not stop the macro"
    key_ns=$(sed -n 's/^orkan3270: trace \([0-9]*\) key Pause$/\1/p' "$err" | head -n 1)
    gone_ns=$(sed -n 's/^orkan3270: trace \([0-9]*\) macro letter gone$/\1/p' "$err" | head -n 1)
    [ -n "$key_ns" ] || fail "$language: the program did not see the Pause key"
    arrived_ms=$(((gone_ns - key_ns) / 1000000))
    echo "$language: Pause to status letter gone: ${arrived_ms} ms from the key's arrival, $(((gone_ns - sent) / 1000000)) ms from xdotool"
    # Loosely: a turn of the loop is 20 ms; only a stuck loop takes seconds.
    [ "$arrived_ms" -lt 2000 ] || fail "$language: stopping took ${arrived_ms} ms"
    waitfor 10 shown "^Macro Stopped$" || fail "$language: no \"Macro Stopped\" message box"
    xdotool key Return
    waitfor 10 eval '! shown "^Macro Stopped$"' || fail "$language: the message box did not close"
    end_program
done

echo "PASS"
