#!/bin/sh
# kestrane-link's status against kestrane-sim: the state it shows follows
# the commands sent (move, pump, drilling).
# Usage: link_tool_check.sh KESTRANE_SIM KESTRANE_LINK
set -u
SIM=$1
TOOL=$2
DIR=$(mktemp -d /tmp/kestrane-linktool-XXXXXX)
LINK=$DIR/COM2
"$SIM" --link "$LINK" --drill-ms 400 --speed-scale 300 2>"$DIR/err" &
PID=$!
fail() { echo "FAIL: $*"; cat "$DIR/err"; kill $PID 2>/dev/null; wait $PID 2>/dev/null; rm -rf "$DIR"; exit 1; }
i=0
while [ ! -L "$LINK" ]; do i=$((i + 1)); [ $i -gt 300 ] && fail "no link"; sleep 0.01; done

status() { timeout 10 "$TOOL" "$LINK" status || fail "status"; }
# field NAME: the value column of a status line
field() { printf '%s\n' "$STATUS" | sed -n "s/^$1  *//p"; }
run() { timeout 10 "$TOOL" "$LINK" "$@" >/dev/null || fail "$*"; }

STATUS=$(status)
[ "$(field moving)" = 0 ] || fail "moving at start: $STATUS"
[ "$(field pump)" = 0 ] || fail "pump at start: $STATUS"

run write 20 3000 0 0 0 0 0
run command 40
STATUS=$(status)
[ "$(field moving)" = 1 ] || fail "moving bit did not rise: $STATUS"
sleep 0.4
STATUS=$(status)
[ "$(field moving)" = 0 ] || fail "moving bit did not clear: $STATUS"
[ "$(field X)" = "3.000 mm" ] || fail "X did not arrive: $STATUS"

run command 5
run command 1
STATUS=$(status)
[ "$(field pump)" = 1 ] || fail "pump: $STATUS"
[ "$(field drilling)" = 1 ] || fail "drilling: $STATUS"
sleep 0.6
STATUS=$(status)
[ "$(field drilling)" = 0 ] || fail "drilling did not end: $STATUS"
[ "$(field 'hole finished')" = 1 ] || fail "finished bit: $STATUS"

kill $PID
wait $PID || fail "exit status"
rm -rf "$DIR"
echo "kestrane-link check passed"
