#!/bin/sh
# kestrane-link against pymodbus's RTU server over a socat pseudo-terminal
# pair: register reads and writes, a status read, and an exception answer.
# usage: pymodbus_peer_test.sh KESTRANE_LINK SERVER_SCRIPT
set -u
TOOL=$1
SERVER=$2
PY=/usr/bin/python3
DIR=$(mktemp -d)
SOCAT_PID=
SERVER_PID=

cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null && wait "$SERVER_PID" 2>/dev/null
    [ -n "$SOCAT_PID" ] && kill "$SOCAT_PID" 2>/dev/null && wait "$SOCAT_PID" 2>/dev/null
    rm -rf "$DIR"
}
trap cleanup EXIT INT TERM

fail() {
    echo "FAIL: $*" >&2
    [ -f "$DIR/server.log" ] && sed 's/^/server: /' "$DIR/server.log" >&2
    exit 1
}

command -v socat >/dev/null || { echo "socat missing"; exit 1; }
$PY -c "import pymodbus, serial" 2>/dev/null || { echo "python3-pymodbus missing"; exit 1; }

socat pty,raw,echo=0,link="$DIR/server" pty,raw,echo=0,link="$DIR/client" 2>"$DIR/socat.log" &
SOCAT_PID=$!
i=0
while [ ! -e "$DIR/server" ] || [ ! -e "$DIR/client" ]; do
    i=$((i + 1)); [ $i -gt 100 ] && fail "socat did not create the pair"
    sleep 0.05
done

$PY "$SERVER" "$DIR/server" >"$DIR/server.log" 2>&1 &
SERVER_PID=$!

# The server needs a moment to start; poll with short single reads.
i=0
until timeout 5 "$TOOL" "$DIR/client" read 0 1 >/dev/null 2>&1; do
    i=$((i + 1)); [ $i -gt 40 ] && fail "server never answered"
    kill -0 "$SERVER_PID" 2>/dev/null || fail "server exited"
    sleep 0.25
done

timeout 10 "$TOOL" "$DIR/client" write 10 1234 65535 -2 || fail "write"
out=$(timeout 10 "$TOOL" "$DIR/client" read 10 3) || fail "read"
[ "$out" = "$(printf '1234\n65535\n65534')" ] || fail "read gave: $out"

timeout 10 "$TOOL" "$DIR/client" command 50 || fail "command"
out=$(timeout 10 "$TOOL" "$DIR/client" read 41 1) || fail "read command register"
[ "$out" = "50" ] || fail "command register holds: $out"

out=$(timeout 10 "$TOOL" "$DIR/client" status) || fail "status"
echo "$out" | grep -q '^X  *-0.500 mm$' || fail "status gave: $out"

err=$(timeout 10 "$TOOL" "$DIR/client" read 200 1 2>&1 >/dev/null)
rc=$?
[ $rc -eq 1 ] || fail "exception read exit code $rc"
echo "$err" | grep -q '^0x8002 ' || fail "exception read said: $err"

echo "pymodbus peer: all checks passed"
exit 0
