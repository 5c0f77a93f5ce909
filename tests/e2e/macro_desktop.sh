#!/usr/bin/env bash
# Macros of both languages in the desktop program under Xvfb: the headless tests' data-entry macro
# logs on and fills in testhost's panel from the window; a macro looping without end keeps the
# window painting and is stopped by the Pause key. The time from the key's arrival to the macro
# letter gone from the status line is printed (asserted only loosely: the machine may be loaded).
# A macro's file transfers, in both languages: RECEIVEFILE of a large host file shows the "Receive
# File from Host" dialog while the macro waits for the end, the macro goes on with 0 when the host
# says complete. Then in the macro language a transfer the host refuses gives 1 and a message box
# that says why, after which the macro goes on; in REXX the file is sent back up with 0.
source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
start_xvfb
start_host
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

# --- file transfers from a macro
stop_host
mkdir -p "$WORK/hostfiles/tso" "$WORK/pc"
printf 'ORKUSER.BIG.TEXT VB 255 27998\n' >"$WORK/hostfiles/tso/catalog.txt"
for i in $(seq 1 5000); do printf 'line %06d of the big file, sent slowly\n' "$i"; done \
    >"$WORK/hostfiles/tso/ORKUSER.BIG.TEXT.txt"
start_host --transfer tso --transfer-files "$WORK/hostfiles" --fault slow=20

cat >"$WORK/macro.mac" <<MAC
WAIT(20, ONSCREEN("READY"))
RC = RECEIVEFILE("BIG.TEXT", "$WORK/pc/big.txt", "TEXT", "TSO")
H = OPEN("$WORK/pc/first.txt", "OUTPUT")
PUT(H, "result " + STR(RC))
CLOSE(H)
RC = RECEIVEFILE("NO.SUCH.DATA", "$WORK/pc/none.txt", "TEXT", "TSO")
H = OPEN("$WORK/pc/second.txt", "OUTPUT")
PUT(H, "result " + STR(RC))
CLOSE(H)
MAC
cat >"$WORK/rexx.mac" <<MAC
/* REXX: a large file down, then up again */
call wait 20, "onscreen('READY')"
r.0 = 1
r.1 = 'result' receivefile('BIG.TEXT', '$WORK/pc/big.txt', 'TEXT', 'TSO')
'EXECIO * DISKW "$WORK/pc/first.txt" (STEM R.'
call wait 20, "onscreen('READY')"
r.1 = 'result' sendfile('$WORK/pc/big.txt', 'COPY.TEXT', 'TEXT', 'TSO')
'EXECIO * DISKW "$WORK/pc/second.txt" (STEM R.'
MAC

for language in macro rexx; do
    rm -f "$WORK/pc/"*
    PROGRAM_LOG=$language start_program --host "127.0.0.1:$PORT" --macro "$WORK/$language.mac"
    waitfor 30 shown "Receive File from Host" || fail "$language: the transfer was not shown in the transfer dialog"
    [ -f "$WORK/pc/first.txt" ] && fail "$language: the macro went on before its transfer ended"
    waitfor 120 test -s "$WORK/pc/first.txt" || fail "$language: the macro did not go on after its transfer"
    has "$WORK/pc/first.txt" "result 0" || fail "$language: RECEIVEFILE gave $(cat "$WORK/pc/first.txt")"

    if [ "$language" = macro ]; then
        # The refused transfer: its reason in a message box, then the macro goes on with 1.
        waitfor 30 shown "Orkan TN3270 File Transfer Error" || fail "no message said why the second transfer failed"
        [ -f "$WORK/pc/second.txt" ] && fail "the macro went on before the message was answered"
        focus_shown "Orkan TN3270 File Transfer Error" >/dev/null
        xdotool key Return
        waitfor 30 test -s "$WORK/pc/second.txt" || fail "the macro did not go on after the failed transfer"
        has "$WORK/pc/second.txt" "result 1" || fail "RECEIVEFILE gave $(cat "$WORK/pc/second.txt")"
    else
        waitfor 120 test -s "$WORK/pc/second.txt" || fail "the REXX macro did not get to its end"
        has "$WORK/pc/second.txt" "result 0" || fail "sendfile gave $(cat "$WORK/pc/second.txt")"
    fi
    waitfor 10 eval '! shown "Receive File from Host"' || fail "$language: the transfer dialog stayed open"
    end_program
done
echo "PASS"
