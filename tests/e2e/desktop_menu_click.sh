#!/usr/bin/env bash
# The menu bar under Xvfb without a window manager (also under openbox with ORKAN_MENU_WM=openbox),
# over several launches: a click on the File title as soon as the first screen is shown, while
# another session of the same user starts and ends, opens the File menu, and a click meant for a
# menu never reaches the tool bar below it (the host receives no PA2). (Alt and a menu's letter:
# every row of the dialog tour.)
source "$(dirname "$0")/lib/desktop_lib.sh"
require_desktop xdotool
LAUNCHES=${ORKAN_MENU_LAUNCHES:-3}
start_xvfb 1366x768
start_host

menu_opened() { grep -q '^menu File$' "$WORK/dialogs/menus.txt" 2>/dev/null; }
layout_ready() { [ -s "$WORK/layout.txt" ] && grep -q '^menu File ' "$WORK/layout.txt"; }

launch() {  # WM LAUNCH
    rm -rf "$WORK/dialogs" "$WORK/layout.txt" "$WORK/screen.txt"
    ORKAN_SCREEN_TEXT="$WORK/screen.txt" ORKAN_LAYOUT_REPORT="$WORK/layout.txt" ORKAN_DIALOG_SHOTS="$WORK/dialogs" \
        start_program --host "127.0.0.1:$PORT"
    waitfor 60 layout_ready || fail "$1 $2: no first screen with its menu bar"
    local x y w h
    read -r x y w h < <(awk '$1 == "menu" && $2 == "File" { print $3, $4, $5, $6 }' "$WORK/layout.txt")
    # Another session of the same user starts and ends meanwhile, as sessions do.
    in_home "$ORKAN_BIN" --headless --run 'EXIT 0' </dev/null >/dev/null 2>>"$WORK/peer.err" &
    local peer=$!
    sleep 0.2
    xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
    waitfor 10 menu_opened || fail "$1 $2: a click on the File title opened no menu"
    wait "$peer" || fail "$1 $2: a headless session failed: $(tail -n 3 "$WORK/peer.err")"
    xdotool key --delay 300 Escape Escape
    end_program
}

# ORKAN_MENU_WM=openbox repeats the launches under that window manager.
for wm in none ${ORKAN_MENU_WM:-}; do
    if [ "$wm" = openbox ]; then
        command -v openbox >/dev/null 2>&1 || fail "openbox is not installed (Debian package openbox)"
        openbox --sm-disable >"$WORK/wm.log" 2>&1 &
        track $!
        sleep 1
    fi
    for i in $(seq 1 "$LAUNCHES"); do launch "$wm" "$i"; done
done
grep -qi 'AID=pa2' "$WORK/host.log" && fail "a click meant for a menu reached the tool bar: the host received PA2"
echo "PASS"
