#!/bin/sh
# Runs a command on a virtual X server of its own, like xvfb-run, but lets
# Xvfb pick a free display itself (-displayfd): any number of these can
# start at once. (xvfb-run -a looks for a free number first and starts the
# server after, so two runs at the same moment can pick the same display.)
# The server takes the key of a private authority file, which XAUTHORITY
# names for the command.
# Usage: xvfb_run.sh COMMAND [ARG...]
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/ks-xvfb.XXXXXX") || exit 1
xpid=
cleanup() {
  if [ -n "$xpid" ]; then
    kill "$xpid" 2>/dev/null
    wait "$xpid" 2>/dev/null
  fi
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The server reads every key in its file, whatever display it is filed
# under; the client looks its display up, filed once the number is known.
key=$(mcookie)
: >"$dir/auth"
xauth -q -f "$dir/auth" add :0 . "$key" || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -auth "$dir/auth" 3>"$dir/display" 2>"$dir/xvfb.log" &
xpid=$!
n=0
until [ -s "$dir/display" ]; do
  n=$((n + 1))
  if [ $n -gt 3000 ] || ! kill -0 "$xpid" 2>/dev/null; then
    echo "xvfb_run.sh: Xvfb did not come up:" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
  fi
  sleep 0.01
done
display=:$(head -n1 "$dir/display")
xauth -q -f "$dir/auth" add "$display" . "$key" || exit 1
DISPLAY=$display XAUTHORITY=$dir/auth "$@"
exit $?
