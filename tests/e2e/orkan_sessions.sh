#!/usr/bin/env bash
# Sessions as separate processes meeting in the shared area: 36 hold 36 different letters; the
# 37th is told that 36 is the maximum and ends; the letter of a session killed with SIGKILL goes to
# the next start, and the sessions leave no message socket behind. (A letter asked for and a slot
# given back: tests/peers/shared_area_test.cpp.)
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/headless_lib.sh"
start_host --lu-pool TST001-TST060

# letter_of NAME: the session letter the program reported on stderr.
letter_of() {
    sed -n 's/^orkan3270: session \(.\), process .*$/\1/p' "$WORK/$1.err" | head -n 1
}


# --- 36 sessions, 36 letters
for i in $(seq 1 36); do start_orkan "s$i" --dump --host "127.0.0.1:$HOST_PORT"; done
for i in $(seq 1 36); do expect_out "s$i" "User id"; done
letters=$(for i in $(seq 1 36); do letter_of "s$i"; done | sort | tr -d '\n')
[ "$letters" = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ" ] || fail "the 36 sessions hold '$letters'"

# --- the 37th
expect_run s37 8 "Orkan TN3270 Error: There are 36 sessions already active," --host "127.0.0.1:$HOST_PORT"
err_has s37 "which is the maximum number."

# --- a killed session's letter is free again
victim=""
for i in $(seq 1 36); do [ "$(letter_of "s$i")" = K ] && victim="s$i"; done
# The program's own process, not the `timeout` around it.
kill -KILL "$(sed -n 's/^orkan3270: session ., process \([0-9]*\)$/\1/p' "$WORK/$victim.err")"
finish_orkan "$victim"
expect_rc 137 "SIGKILL"
start_at_logon heir --host "127.0.0.1:$HOST_PORT"
[ "$(letter_of heir)" = K ] || fail "the next session took '$(letter_of heir)', not the killed session's K"
for name in "${!OPID[@]}"; do kill -TERM "${OPID[$name]}" 2>/dev/null; done
for name in "${!OPID[@]}"; do
    finish_orkan "$name"
    expect_rc 0 "$name ends cleanly"
done
[ -z "$(ls "$XDG_RUNTIME_DIR/orkan3270/" | grep '\.sock$')" ] || fail "message sockets were left behind"

echo "PASS"
