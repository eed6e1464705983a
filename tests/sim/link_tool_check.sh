#!/bin/sh
# kestrane-link's status against kestrane-sim: the state it shows follows
# the commands sent (move, pump, drilling). The move and the drilling take a
# second each, so that the status read right after the command finds them
# under way even on a busy machine; their ends are waited for.
# Usage: link_tool_check.sh KESTRANE_SIM KESTRANE_LINK
set -u
SIM=$1
TOOL=$2
DIR=$(mktemp -d /tmp/kestrane-linktool-XXXXXX)
LINK=$DIR/COM2
"$SIM" --link "$LINK" --drill-ms 1000 --speed-scale 45 2>"$DIR/err" &
PID=$!
fail() { echo "FAIL: $*"; cat "$DIR/err"; kill $PID 2>/dev/null; wait $PID 2>/dev/null; rm -rf "$DIR"; exit 1; }
i=0
while [ ! -L "$LINK" ]; do i=$((i + 1)); [ $i -gt 3000 ] && fail "no link"; sleep 0.01; done

status() { timeout 10 "$TOOL" "$LINK" status || fail "status"; }
# field NAME: the value column of a status line
field() { printf '%s\n' "$STATUS" | sed -n "s/^$1  *//p"; }
run() { timeout 10 "$TOOL" "$LINK" "$@" >/dev/null || fail "$*"; }
# until_field NAME VALUE: reads the status until NAME shows VALUE (the limit
# only keeps a broken run from hanging).
until_field() {
  n=0
  STATUS=$(status)
  while [ "$(field "$1")" != "$2" ]; do
    n=$((n + 1)); [ $n -gt 600 ] && fail "$1 never became $2: $STATUS"
    sleep 0.05
    STATUS=$(status)
  done
}

STATUS=$(status)
[ "$(field moving)" = 0 ] || fail "moving at start: $STATUS"
[ "$(field pump)" = 0 ] || fail "pump at start: $STATUS"

run write 20 3000 0 0 0 0 0
run command 40
STATUS=$(status)
[ "$(field moving)" = 1 ] || fail "moving bit did not rise: $STATUS"
until_field moving 0
[ "$(field X)" = "3.000 mm" ] || fail "X did not arrive: $STATUS"

run command 5
run command 1
STATUS=$(status)
[ "$(field pump)" = 1 ] || fail "pump: $STATUS"
[ "$(field drilling)" = 1 ] || fail "drilling: $STATUS"
until_field drilling 0
[ "$(field 'hole finished')" = 1 ] || fail "finished bit: $STATUS"

kill $PID
wait $PID || fail "exit status"
rm -rf "$DIR"
echo "kestrane-link check passed"
