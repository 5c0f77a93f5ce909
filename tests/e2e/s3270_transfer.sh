#!/usr/bin/env bash
# File transfer with the independent client s3270 against testhost's transfer program, in DFT
# (s3270 always offers it): for TSO, CMS and CICS, text and binary files of 0 bytes, 1 byte,
# one block and many blocks go up and come back down with the same sha256.
. "${ORKAN_SOURCE_DIR:?}/tests/e2e/lib/s3270_lib.sh"

# Printable ASCII lines of random lengths (some empty); awk's own generator keeps it repeatable.
text_lines() {
    awk -v n="$1" -v seed="$2" 'BEGIN {
        srand(seed)
        for (i = 0; i < n; i++) {
            len = int(rand() * 120); if (i % 17 == 0) len = 0
            line = ""
            for (j = 0; j < len; j++) line = line sprintf("%c", 32 + int(rand() * 95))
            print line
        }
    }'
}

mkdir -p "$WORK/files"
: >"$WORK/files/text0"
printf '\n' >"$WORK/files/text1"
text_lines 200 1 >"$WORK/files/textblock"    # one block of s3270's 16357 bytes, CRs added
text_lines 3000 2 >"$WORK/files/textmany"
: >"$WORK/files/binary0"
head -c 1 /dev/urandom >"$WORK/files/binary1"
head -c 16357 /dev/urandom >"$WORK/files/binaryblock"
head -c 250000 /dev/urandom >"$WORK/files/binarymany"
[ "$(wc -c <"$WORK/files/textblock")" -lt 15000 ] || fail "the one-block text file grew past one block"

# host_name SYSTEM WORD: a host file name of that system.
host_name() {
    case $1 in
        tso) echo "test.$2" ;;
        vm) echo "$2 data a" ;;
        cics) echo "q$2" | cut -c1-8 ;;
    esac
}

# roundtrip SYSTEM HOSTFILE MODE FILE: up, down again, the same bytes.
roundtrip() {
    local system=$1 hostfile=$2 mode=$3 file=$4 up="" down=""
    [ "$mode" = ascii ] && up=",Cr=add" down=",Cr=remove"
    s3_must "Transfer(Direction=send,\"HostFile=$hostfile\",\"LocalFile=$file\",Host=$system,Mode=$mode$up)"
    [ "$(last_message)" = "TRANS03 - File transfer complete" ] || fail "upload of $file as $hostfile: $(last_message)"
    rm -f "$WORK/back"
    s3_must "Transfer(Direction=receive,\"HostFile=$hostfile\",\"LocalFile=$WORK/back\",Host=$system,Mode=$mode$down)"
    [ "$(last_message)" = "TRANS03 - File transfer complete" ] || fail "download of $hostfile: $(last_message)"
    [ -f "$WORK/back" ] || fail "download of $hostfile wrote no file"
    local want got
    want=$(sha256sum <"$file") got=$(sha256sum <"$WORK/back")
    [ "$want" = "$got" ] || fail "$system $mode round trip of $(basename "$file") ($(wc -c <"$file") bytes) came back as $(wc -c <"$WORK/back") bytes"
}

for system in tso cms cics; do
    s3host=$system
    [ $system = cms ] && s3host=vm
    start_host --once --transfer $system
    s3_start -model 3279-2-E
    s3_must "Connect(127.0.0.1:$PORT)" "Wait(10,InputField)"
    for mode in ascii binary; do
        kind=text
        [ $mode = binary ] && kind=binary
        for size in 0 1 block many; do
            roundtrip $s3host "$(host_name $s3host "${kind:0:1}$size")" $mode "$WORK/files/$kind$size"
        done
    done
    s3_bye
    log_has 'TRANSFER PUT .* by DFT'
    log_has 'TRANSFER GET .* by DFT'
    log_lacks ' ERROR '
    echo "$system: 16 transfers, round trips exact"
done
echo "PASS"
