#!/usr/bin/env bash
# Error reports on stderr carry text from macro files and hosts. Control bytes in them (terminal
# escapes, a bell, a NUL) come out as \xNN, never raw, and a NUL does not cut the report: the
# error's number and text still follow. Own-language macro errors, REXX output and REXX errors.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
MACROS="$APPDATA/macros"

# raw NAME: stderr holds no ESC, BEL or NUL byte.
raw() {
    [ "$(tr -d -c '\033\007\000' <"$WORK/$1.err" | wc -c)" = 0 ] || fail "$1's stderr holds raw control bytes"
}

printf 'X = 1\r\nY = NOSUCHFUNCTION("\033]0;owned\007\033[2J\000after the NUL")\r\n' >"$MACROS/own.mac"
expect_run own 2 'Y = NOSUCHFUNCTION("\x1b]0;owned\x07\x1b[2J\x00after the NUL")' --macro own
err_has own "Orkan macro error"
raw own

printf '/* REXX */\nsay "\033[31mred" || "00"x || "tail"\nx = "\033[2J" + 1\n' >"$MACROS/rexx.mac"
expect_run rexx 2 'Debug: \x1b[31mred\x00tail' --macro rexx
err_has rexx '\x1b[2J'
err_has rexx "Error 41"
raw rexx

echo "PASS"
