#!/usr/bin/env bash
# Runs a command on a private Xvfb server (1920x1080, 24 bits) and stops the server afterwards.
# Xvfb picks a free display number itself (-displayfd), so parallel tests never share or kill each
# other's server.
set -u
fifo=$(mktemp -u "${TMPDIR:-/tmp}/with-xvfb.XXXXXX")
mkfifo "$fifo" || { echo "with-xvfb: cannot make $fifo" >&2; exit 1; }
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xpid=$!
display=""
read -r -t 30 display <"$fifo"
rm -f "$fifo"
if [ -z "$display" ] || ! kill -0 "$xpid" 2>/dev/null; then
  kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null
  echo "with-xvfb: could not start Xvfb" >&2
  exit 1
fi
DISPLAY=:$display QT_QPA_PLATFORM=xcb "$@"
rc=$?
kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null
exit $rc
