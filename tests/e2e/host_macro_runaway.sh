#!/usr/bin/env bash
# A runaway REXX macro ends with a REXX error report and status 2, never with the program's death:
# endless recursion (at the stack's guard, or at the memory limit when each call makes a new
# variable pool), one that traps the halt and goes on (parked), a string doubled without end (halted,
# though one clause copies hundreds of MiB), one that traps the memory halt and grows on (parked), a
# string too large for the interpreter's own arithmetic; and a host's runaway macro leaves the
# session running. A parked thread holds no lock the program's exit needs: every run here ends.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/hostile_host.sh"
DEEP=$'/* REXX */\ncall r\nexit 0\nr:\n  call r\n  return'

expect_run deep 2 "its calls nested deeper than its stack" --run "$DEEP"
err_has deep "Error 4 running"

# The programs that trap the halt do it with CALL ON, which stays armed: under SIGNAL ON a halt that
# came before the trap was set again would end the program, and the test would race the watch.
expect_run trapped 2 "parked for good" --run $'/* REXX */\ncall on halt\ncall r\nexit 0\nr:\n  call r\n  return\nhalt:\n  return'

write_ini "RexxMemoryLimit=256"
expect_run pools 2 "grew by more than RexxMemoryLimit (256 MiB)" \
    --run $'/* REXX */\ncall r 1\nexit 0\nr: procedure\n  arg n\n  call r n + 1\n  return'

expect_run doubling 2 "grew by more than RexxMemoryLimit (256 MiB)" \
    --run $'/* REXX */\nx = \'0123456789abcdef\'\ndo forever\n  x = x || x\nend'

expect_run trapgrow 2 "it went on after it was halted at a limit" \
    --run $'/* REXX */\nn = 0\ncall on halt\ndo forever\n  n = n + 1\n  y.n = copies("z", 1048576)\nend\nhalt: return'

for huge in 'copies("x", 2147483647)' 'left("", 2147483647)' 'format(1, 2147483647)'; do
    run_orkan huge --run $'/* REXX */\nx = '"$huge"
    expect_rc 2 "$huge"
    err_has huge "the REXX interpreter failed on an operation too large for it"
done

# A host's runaway macro leaves the session running.
printf '/* REXX */\nx = copies("x", 2147483647)\n' >"$WORK/hosthuge.mac"
printf '%s\n' "$DEEP" >"$WORK/hostdeep.mac"
for name in hosthuge hostdeep; do
    start_hostile "$WORK/$name.mac"
    start_orkan "$name" --host "127.0.0.1:$HOST_PORT"
    waitfor "$PATIENCE" grep -qE "parked for good|Return code from REXX" "$WORK/$name.err" ||
        fail "$name: the host's macro was never ended"
    kill -0 "${OPID[$name]}" 2>/dev/null || fail "a host's runaway macro ($name) ended the program"
    term_ok "$name"
done
err_has hosthuge "the REXX interpreter failed on an operation too large for it"
err_has hostdeep "its calls nested deeper than its stack"
echo "PASS"
