#!/usr/bin/env bash
# A tn3270 link as the desktop hands it over: the argument vector of the installed desktop entry's
# Exec line, with %u replaced by the link. A link that names a host and port opens a session on it;
# a crafted link (old-style slash options, a macro, a settings or folder file) is refused with
# status 8 before anything starts: no macro runs, no file is read, no host is reached.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
prepare_appdata

# link_argv LINK: the Exec line's words after the program, %u replaced (sets LINK_ARGS).
link_argv() {
    local exec word
    exec=$(sed -n 's/^Exec=//p' "$ORKAN_SOURCE_DIR/data/orkan3270.desktop")
    LINK_ARGS=()
    for word in ${exec#* }; do
        if [ "$word" = "%u" ]; then LINK_ARGS+=("$1"); else LINK_ARGS+=("$word"); fi
    done
}

start_host
MARK="$WORK/macro-ran"
cat >"$WORK/evil.ini" <<EOF2
[Orkan]
AllowHostMacros=1
EOF2
for link in \
    "tn3270:x/H127.0.0.1/P$HOST_PORT/RSHELLEXECUTE(\"touch\", \"$MARK\")" \
    "tn3270://127.0.0.1:$HOST_PORT/ /RWINEXEC(\"touch $MARK\")" \
    "tn3270:x/H127.0.0.1/P$HOST_PORT/G$WORK/evil.ini/F$WORK/evil.ini"; do
    link_argv "$link"
    run_orkan refused "${LINK_ARGS[@]}"
    expect_rc 8 "link $link"
    err_has refused "Orkan TN3270 Command Line Option Error: The link '$link' is refused"
    [ -e "$MARK" ] && fail "the link's macro ran: $link"
    grep -q ' OPEN from ' "$HOST_LOG" && fail "the link reached the host: $link"
done

link_argv "tn3270://127.0.0.1:$HOST_PORT/"
start_at_logon opened "${LINK_ARGS[@]}"
term_ok opened

echo "PASS"
