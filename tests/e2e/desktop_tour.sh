#!/usr/bin/env bash
# The dialog tour: the desktop program under Xvfb, connected to testhost under TLS, opens every
# dialog of lib/desktop_tour.tsv from its menus while sessions of the same user start and end
# (a headless `--run 'EXIT 0'` each time), changes an input of each kind on each page by mouse and
# keyboard, and closes it by OK or Cancel; the macro it plays and the typing after the tour reach testhost, the
# screen printed through the print dialog reaches a private CUPS queue. Any sanitizer report, or
# the program ending, fails it. Pictures of each dialog go to the build folder's tour/; the last
# line counts dialogs and inputs.
source "$(dirname "$0")/lib/desktop_lib.sh"
source "$(dirname "$0")/print/cups.sh"
require_desktop xdotool openssl python3
: "${ORKAN_BINARY_DIR:?}" "${ORKAN_SOURCE_DIR:?}"
SHOTS="$ORKAN_BINARY_DIR/tour"
rm -rf "$SHOTS"
mkdir -p "$SHOTS"
TABLE="$(dirname "$0")/lib/desktop_tour.tsv"

start_cupsd
start_xvfb 1366x768
start_tls_session tour
printf 'TYPE("tour")\n' >"$APPDATA/macros/logon.mac"

ORKAN_DIALOG_SHOTS="$WORK/dialogs" start_at_logon tour
grep -q ' TLS ' "$WORK/host.log" || fail "the session is not under TLS"

healthy() {
    [ -z "$PROGRAM_PID" ] || kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended during $1"
    if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$WORK/program.err"; then
        fail "a sanitizer report during $1"
    fi
}

# Another session of the same user starts and ends; the program hears of both while the dialog is
# open. Started in the background, waited for before the dialog closes.
PEER_PID=""
peer_starts() {
    in_home "$ORKAN_BIN" --headless --run 'EXIT 0' </dev/null >>"$WORK/peer.out" 2>>"$WORK/peer.err" &
    PEER_PID=$!
}
peer_ended() {
    [ -n "$PEER_PID" ] || return 0
    local status=0
    wait "$PEER_PID" || status=$?
    PEER_PID=""
    [ "$status" = 0 ] || fail "a headless session ended with status $status: $(tail -n 3 "$WORK/peer.err")"
}

# The probe's report of the window titled $TITLE: its picture beside it, renewed on each change.
report() { printf '%s/%s.txt' "$WORK/dialogs" "$(printf '%s' "$1" | sed 's/[^[:alnum:]]/_/g')"; }
serial() { awk '$1 == "serial" { print $2 }' "$REPORT" 2>/dev/null; }
newer_report() { [ -s "$REPORT" ] && [ "$(serial)" != "$1" ]; }
# center WORD NAME [NAME]: the middle of the first thing the report names so.
center() {
    awk -v k="$1" -v n="$2" -v m="${3:-}" '$1 == k && $2 == n && (m == "" || $3 == m) {
        print int($(NF-3) + $(NF-1) / 2), int($(NF-2) + $NF / 2); exit }' "$REPORT"
}
click_at() {
    xdotool mousemove --sync "$1" "$2" click 1
    sleep 0.15
}

CONTROLS=0
# touch KIND...: the first shown input of each of these kinds changed: a check box or radio button
# clicked, a spin box stepped, a list entered by mouse and moved by keyboard, a drop-down list
# opened by mouse and chosen from by keyboard, text typed. With UNDO=1 each change is taken back.
touch_inputs() {
    local kinds=" $* " word kind name x y w h cx cy
    while read -r word kind name x y w h; do
        [ "$word" = control ] && [[ "$kinds" == *" $kind "* ]] || continue
        kinds=${kinds/ $kind / }
        cx=$((x + w / 2))
        cy=$((y + h / 2))
        case "$kind" in
            check | radio)
                click_at "$cx" "$cy"
                [ "$UNDO" = 1 ] && [ "$kind" = check ] && click_at "$cx" "$cy"
                ;;
            spin)
                click_at "$cx" "$cy"
                xdotool key Up
                [ "$UNDO" = 1 ] && xdotool key Down
                ;;
            combo)
                click_at "$cx" "$cy"
                xdotool key Down Return
                sleep 0.1
                [ "$UNDO" = 1 ] && xdotool key Up
                ;;
            list)
                click_at "$((x + 30))" "$((y + 12))"
                xdotool key Down
                ;;
            text)
                click_at "$cx" "$cy"
                xdotool key End
                xdotool type --delay 10 "x"
                [ "$UNDO" = 1 ] && xdotool key BackSpace
                ;;
        esac
        CONTROLS=$((CONTROLS + 1))
    done < <(cat "$REPORT")
    healthy "the inputs of $NAME"
}

# Every tab of the dialog: by mouse, then its inputs; the last ones by Ctrl+Tab as well.
visit_pages() {
    local tabs i at before
    tabs=$(grep -c '^tab ' "$REPORT")
    for i in $(seq 1 "$tabs"); do
        before=$(serial)
        at=$(center tab "$i")
        click_at $at
        waitfor 5 newer_report "$before" || true
        cp "${REPORT%.txt}.png" "$SHOTS/$(printf '%02d' "$STEP")-$NAME-page$i.png" 2>/dev/null
        UNDO=0 touch_inputs check radio spin combo list text
    done
    for i in 1 2 3; do
        before=$(serial)
        xdotool key ctrl+Tab
        waitfor 5 newer_report "$before" || true
    done
}

STEP=0
DIALOGS=0
while IFS=$'\t' read -r -u 3 NAME KEYS TITLE ACTION CLOSE; do
    case "$NAME" in '' | '#'*) continue ;; esac
    STEP=$((STEP + 1))
    REPORT=$(report "$TITLE")
    rm -f "$REPORT"
    focus "$WINDOW"
    read -ra keys <<<"$KEYS"
    xdotool key --delay 150 "${keys[@]}"
    waitfor 20 test -s "$REPORT" || fail "$NAME: \"$TITLE\" did not open"
    DIALOGS=$((DIALOGS + 1))
    peer_starts
    cp "${REPORT%.txt}.png" "$SHOTS/$(printf '%02d' "$STEP")-$NAME.png"
    UNDO=0
    [ "$CLOSE" = OK ] || [ "$CLOSE" = print ] && UNDO=1
    case "$ACTION" in
        touch\ *) touch_inputs ${ACTION#touch } ;;
        pages) visit_pages ;;
        type\ *) xdotool type --delay 30 "${ACTION#type }" ;;
        codepage)
            # The PC code page list (a box one can also type into): opened by its arrow with the
            # mouse, moved in by keyboard, then the choice taken.
            read -r x y w h < <(awk '$1 == "control" && $3 == "PC_code_page_for_text_transfers" {
                print $4, $5, $6, $7 }' "$REPORT")
            [ -n "${h:-}" ] || fail "$NAME: no PC code page list"
            click_at $((x + w - 8)) $((y + h / 2))
            xdotool key --delay 80 Down Down Down Down Up Return
            CONTROLS=$((CONTROLS + 1))
            ;;
    esac
    peer_ended
    healthy "$NAME"
    case "$CLOSE" in
        return | print) xdotool key Return ;;
        escape) xdotool key Escape ;;
        -) ;;
        *)
            at=$(center button "$CLOSE")
            [ -n "$at" ] || fail "$NAME: no $CLOSE button"
            click_at $at
            ;;
    esac
    [ "$CLOSE" = - ] || waitfor 20 not_shown "^$TITLE\$" || fail "$NAME: \"$TITLE\" did not close"
    [ "$CLOSE" = print ] && wait_job 1 "User id"
    healthy "$NAME"
    echo "$NAME done at ${SECONDS}s" >>"$SHOTS/times.txt"
done 3<"$TABLE"

# The macro played from its dialog typed "tour"; typing after the tour reaches the host too.
focus "$WINDOW"
xdotool type --delay 40 "user"
xdotool key Control_R
waitfor 30 screen_has "MAIN MENU" || fail "Enter did not reach the main menu: $(cat "$WORK/screen.txt")"
grep -q 'FIELD userid .*"touruser"' "$WORK/host.log" || fail "the host did not receive the user id typed by the macro and the keys"
healthy "the typing after the tour"
end_program
healthy "the end"
echo "PASS: $DIALOGS dialogs and $CONTROLS inputs visited; pictures in $SHOTS" | tee "$SHOTS/summary.txt"
