#!/usr/bin/env bash
# Runs a command on a private Xvfb server (1920x1080, 24 bits) and stops the server afterwards.
set -u
for d in $(seq 90 190); do
  [ -e /tmp/.X11-unix/X$d ] || [ -e /tmp/.X$d-lock ] && continue
  Xvfb :$d -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xpid=$!
  for _ in $(seq 1 50); do
    [ -e /tmp/.X11-unix/X$d ] && break
    kill -0 $xpid 2>/dev/null || break
    sleep 0.1
  done
  if [ -e /tmp/.X11-unix/X$d ]; then
    DISPLAY=:$d QT_QPA_PLATFORM=xcb "$@"
    rc=$?
    kill $xpid 2>/dev/null; wait $xpid 2>/dev/null
    exit $rc
  fi
  kill $xpid 2>/dev/null; wait $xpid 2>/dev/null
done
echo "with-xvfb: could not start Xvfb" >&2
exit 1
