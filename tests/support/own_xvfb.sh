#!/usr/bin/env bash
# own_xvfb.sh - runs a command inside an X screen of its own: Xvfb chooses a free display number
# itself and reports it (-displayfd), so tests started at the same time never race for one (as
# `xvfb-run -a` does, picking a number before its server takes it). The server ends with the
# command.
#
#   own_xvfb.sh WIDTHxHEIGHTxDEPTH COMMAND [ARG...]
#
# Exit status: the command's, or 90 when the server does not start (its output on stderr).
set -u
screen=$1
shift
log=$(mktemp /tmp/own-xvfb.XXXXXX)
fifo=$(mktemp -u /tmp/own-xvfb-fd.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$fifo" >"$log" 2>&1 &
server=$!
display=""
read -r -t 30 display <"$fifo" || true
rm -f "$fifo"
if [ -z "$display" ]; then
  echo "own_xvfb.sh: Xvfb failed to start:" >&2
  cat "$log" >&2
  kill $server 2>/dev/null
  rm -f "$log"
  exit 90
fi
DISPLAY=":$display" "$@"
status=$?
kill $server 2>/dev/null
wait $server 2>/dev/null
rm -f "$log"
exit $status
