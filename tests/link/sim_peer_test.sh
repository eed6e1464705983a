#!/bin/sh
# kestrane-link against kestrane-sim on a pseudo-terminal, reached through a
# COMn link: a move, a command, and each fault the simulator can inject
# arriving as its own result code.
# usage: sim_peer_test.sh KESTRANE_LINK KESTRANE_SIM
set -u
TOOL=$1
SIM=$2
DIR=$(mktemp -d)
SIM_PID=

stop_sim() {
    if [ -n "$SIM_PID" ]; then
        kill "$SIM_PID" 2>/dev/null
        wait "$SIM_PID" 2>/dev/null
        SIM_PID=
    fi
}
trap 'stop_sim; rm -rf "$DIR"' EXIT INT TERM

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# start_sim [options]: a fresh simulator behind $DIR/COM5.
start_sim() {
    stop_sim
    rm -f "$DIR/COM5"
    "$SIM" --link "$DIR/COM5" "$@" >"$DIR/sim.log" 2>&1 &
    SIM_PID=$!
    i=0
    while [ ! -e "$DIR/COM5" ]; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "simulator did not start: $(cat "$DIR/sim.log")"
        kill -0 "$SIM_PID" 2>/dev/null || fail "simulator exited: $(cat "$DIR/sim.log")"
        sleep 0.05
    done
}

# expect_code CODE args...: the tool fails with exit 1 and CODE on stderr.
expect_code() {
    code=$1; shift
    err=$(timeout 10 "$TOOL" "$DIR/COM5" "$@" 2>&1 >/dev/null)
    rc=$?
    [ $rc -eq 1 ] || fail "$* exited $rc, wanted 1 with $code"
    case "$err" in "$code "*) ;; *) fail "$* said '$err', wanted $code" ;; esac
}

start_sim
timeout 10 "$TOOL" "$DIR/COM5" write 20 -500 -1 0 0 0 0 || fail "move vector"
timeout 10 "$TOOL" "$DIR/COM5" command 40 || fail "execute move"
i=0
until timeout 10 "$TOOL" "$DIR/COM5" status | grep -q '^X  *-0.500 mm$'; do
    i=$((i + 1)); [ $i -gt 50 ] && fail "X never reached -0.500 mm"
    sleep 0.1
done
timeout 10 "$TOOL" "$DIR/COM5" command 5 || fail "pump on"
timeout 10 "$TOOL" "$DIR/COM5" status | grep -q '^pump  *1$' || fail "pump bit not set"
expect_code 0x8002 read 5000 1

start_sim --corrupt-every 1
expect_code 0x4001 read 0 9
start_sim --wrong-slave-every 1
expect_code 0x4002 read 0 9
start_sim --ignore-every 1
expect_code 0x4007 command 5
start_sim --exception-every 1 --exception-code 6
expect_code 0x8006 status

echo "kestrane-sim peer: all checks passed"
exit 0
