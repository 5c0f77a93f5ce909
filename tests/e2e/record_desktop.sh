#!/usr/bin/env bash
# A macro recorded in the desktop program under Xvfb and played by the headless program: Macro >
# Record and its dialog, a user id typed, a password pasted from the X clipboard, a mouse click on
# the panel and Enter; Macro > Stop and its message. The headless program plays the file against a
# second testhost, with the same text on its clipboard, and that host receives the same inputs,
# fields and cursor positions and sends the same screens as the first. Once in the macro language,
# once in REXX ("Record Macros in Rexx" checked in the dialog).
source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool xclip
start_xvfb

clipboard_is() { [ "$(timeout 5 xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; }

# One round: record in LANGUAGE (own or rexx), play it back headless, compare the host logs.
record_and_play() {
    LANGUAGE=$1
    MACRO="$WORK/recorded-$LANGUAGE.mac"
    start_host
    ORKAN_MACRO_TRACE=1 start_at_logon --host "127.0.0.1:$PORT"

    printf 'secret' | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
    track $!
    waitfor 10 clipboard_is "secret" || fail "xclip did not take the clipboard"

    # Macro > Record: the dialog asks for the file; the status line shows the letter.
    xdotool key --delay 80 alt+m r
    waitfor 20 shown "^Record a Macro$" || fail "no \"Record a Macro\" dialog"
    sleep 0.3
    # "Record Macros in Rexx" by its mnemonic, then back to the file name (before typing it, so no
    # completion list holds the keys).
    [ "$LANGUAGE" = rexx ] && xdotool key --delay 150 alt+x alt+n
    xdotool type --delay 20 "$MACRO"
    xdotool key Return
    waitfor 20 not_shown "^Record a Macro$" || fail "the dialog did not close"
    focus "$WINDOW"
    sleep 0.3

    xdotool type --delay 60 "alice"
    xdotool key --delay 60 Tab ctrl+v
    # A click in the middle of the terminal: the cursor goes there, and the host hears where it is.
    eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
    xdotool mousemove --window "$WINDOW" $((WIDTH * 45 / 100)) $((HEIGHT * 35 / 100)) click 1
    sleep 0.3
    xdotool key Control_R
    waitfor 30 screen_has "MAIN MENU" || fail "Enter did not reach the main menu: $(cat "$WORK/screen.txt")"

    grep -q "status letter R" "$WORK/program.err" || fail "the status line never showed the recording letter"
    xdotool key --delay 80 alt+m s
    waitfor 20 shown "^Macro Recorded$" || fail "no \"Macro Recorded\" message"
    xdotool key Return
    waitfor 10 has "$WORK/program.err" "macro letter gone" || fail "the recording letter stayed on the status line"
    if [ "$LANGUAGE" = rexx ]; then
        head -n 1 "$MACRO" | grep -qi '^/\* rexx' || fail "the recording is not REXX: $(cat "$MACRO")"
    else
        head -n 1 "$MACRO" | grep -qi 'rexx' && fail "the recording is REXX: $(cat "$MACRO")"
    fi
    grep -q '^Type("alice")' "$MACRO" || fail "the typed user id is not in the macro: $(cat "$MACRO")"
    grep -q '^Key("Paste")' "$MACRO" || fail "the paste is not in the macro: $(cat "$MACRO")"
    grep -q '^Key("SelectLocation1",[0-9]*,[0-9]*)' "$MACRO" || fail "the click is not in the macro: $(cat "$MACRO")"
    grep -q '^Key("Enter")' "$MACRO" || fail "Enter is not in the macro: $(cat "$MACRO")"
    end_program
    stop_host
    exchange "$WORK/host.log" >"$WORK/recorded.exchange"

    # The headless program plays it against a host of its own.
    start_host --once
    status=0
    in_home timeout 60 "$ORKAN_BIN" --headless --host "127.0.0.1:$PORT" \
        --run 'H = OPEN("CLIPBOARD", "OUTPUT") ; PUT(H, "secret", "NOCRLF") ; CLOSE(H)' \
        --macro "$MACRO" >"$WORK/played.out" 2>"$WORK/played.err" || status=$?
    [ "$status" = 0 ] || fail "the headless playback ended with status $status: $(cat "$WORK/played.err")"
    stop_host
    # The played session ends with the macro: the host's answer to its last key may not be logged.
    exchange "$WORK/host.log" >"$WORK/played.exchange"
    grep -q 'FIELD password .*"secret"' "$WORK/recorded.exchange" || fail "the pasted password did not reach the host"
    diff -u "$WORK/recorded.exchange" "$WORK/played.exchange" ||
        fail "the playback sent the host something else; the macro:
    $(cat "$MACRO")
    --- the headless program's stderr:
    $(cat "$WORK/played.err")"
}

record_and_play own
record_and_play rexx
echo "PASS"
