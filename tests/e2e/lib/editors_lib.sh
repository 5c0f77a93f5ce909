#!/usr/bin/env bash
# What the editors' tests under Xvfb share: an application data folder prepared before the first
# start (so a session file can name key files of its own), the program started on that session
# and ended again, the editors opened from the Options menu, and buttons clicked where the
# program's layout report says they are. Sourced after desktop_lib.sh, not run.

# prepare_session SESSION FIELD=VALUE...: the defaults as a first start copies them, and the
# session file SESSION.ses on testhost's port with the fields given.
prepare_session() {
    local name=$1
    shift
    prepare_appdata
    write_ini
    make_session "$name" host="127.0.0.1:$PORT" "$@"
}

# start_session SESSION: the desktop program on it, up to the logon panel; WINDOW is its window.
start_session() {
    rm -f "$WORK/layout.txt"
    ORKAN_LAYOUT_REPORT="$WORK/layout.txt" start_at_logon --session "$1"
}

# open_editor MNEMONIC TITLE: Options > the editor by its underlined letter; DIALOG is its window.
open_editor() {
    focus "$WINDOW"
    xdotool key --delay 100 alt+o "$1"
    DIALOG=$(focus_shown "^$2\$") || fail "$2 did not open or cannot be focused"
}

# saved_differs FILE COPY: the editor's save has replaced FILE.
saved_differs() { ! cmp -s "$1" "$2"; }

# close_editor TITLE: Escape closes it (nothing unsaved is left to ask about).
close_editor() {
    xdotool key Escape
    waitfor 10 not_shown "^$1\$" || fail "$1 stayed open"
}

# click_button KIND LABEL: a button of the layout report ("toolbutton", "padbutton"), clicked in its middle.
click_button() {
    local place
    waitfor 10 grep -q "^$1 $2 " "$WORK/layout.txt" || fail "no $1 \"$2\" in the layout report: $(cat "$WORK/layout.txt")"
    place=$(grep "^$1 $2 " "$WORK/layout.txt" | head -n 1)
    set -- $place
    xdotool mousemove --sync $(($3 + $5 / 2)) $(($4 + $6 / 2)) click 1
}
