#!/bin/sh
# kestrane-sim driven by mbpoll over its pseudo-terminal: read the status
# block and the signal register, send a move, see the moving bit rise and
# clear and the positions arrive, and survive illegal requests. The move
# takes a second, so that the read right after the command finds it under
# way even on a busy machine; its end is waited for.
# Usage: mbpoll_check.sh KESTRANE_SIM MBPOLL
set -u
SIM=$1
MBPOLL=$2
DIR=$(mktemp -d /tmp/kestrane-mbpoll-XXXXXX)
LINK=$DIR/COM1
"$SIM" --link "$LINK" --speed-scale 90 --log "$DIR/log" 2>"$DIR/err" &
PID=$!
fail() { echo "FAIL: $*"; cat "$DIR/err"; kill $PID 2>/dev/null; wait $PID 2>/dev/null; rm -rf "$DIR"; exit 1; }
i=0
while [ ! -L "$LINK" ]; do i=$((i + 1)); [ $i -gt 3000 ] && fail "no link"; sleep 0.01; done

mb() { "$MBPOLL" -m rtu -a 1 -b 57600 -P none -t 4 -0 -1 -o 1 "$LINK" "$@" 2>&1; }
# Value of register N in mbpoll's listing ("[N]: \tV").
reg() { printf '%s\n' "$1" | sed -n "s/^\[$2\]:[[:space:]]*\(-*[0-9]*\).*/\1/p"; }

out=$(mb -r 0 -c 9) || fail "status read: $out"
[ "$(reg "$out" 0)" = 0 ] || fail "moving bit set at start: $out"
out=$(mb -r 50 -c 1) || fail "signal read: $out"
[ "$(reg "$out" 50)" = 0 ] || fail "signal not 0: $out"

# Move X +6000, Y -2000 um at 6 mm/s (1 s).
mb -r 20 6000 0 63536 65535 0 0 >/dev/null || fail "move vector"
mb -r 41 40 >/dev/null || fail "command 40"
out=$(mb -r 0 -c 9)
[ "$(reg "$out" 0)" = 1 ] || fail "moving bit did not rise: $out"
n=0
until out=$(mb -r 0 -c 9) && [ "$(reg "$out" 0)" = 0 ]; do
  n=$((n + 1)); [ $n -gt 600 ] && fail "moving bit did not clear: $out"
  sleep 0.05
done
[ "$(reg "$out" 2)" = 6000 ] || fail "X did not arrive: $out"
[ "$(reg "$out" 4)" = 63536 ] || fail "Y low word wrong: $out"
[ "$(reg "$out" 5)" = 65535 ] || fail "Y high word wrong: $out"

# Illegal requests: address beyond the map, input registers, unknown command.
out=$(mb -r 200 -c 2) && fail "read of register 200 succeeded: $out"
out=$(mb -t 3 -r 0 -c 2) && fail "function 4 succeeded: $out"
out=$(mb -r 41 2) && fail "command 2 accepted: $out"
kill -0 $PID 2>/dev/null || fail "simulator died"
out=$(mb -r 0 -c 9) || fail "status read after errors: $out"

kill $PID
wait $PID || fail "exit status"
[ -e "$LINK" ] && fail "link left behind"
grep -q " 40 move dx=6000 dy=-2000 dz=0 -> x=6000 y=-2000 z=0" "$DIR/log" || fail "log: $(cat "$DIR/log")"
rm -rf "$DIR"
echo "mbpoll check passed"
