#!/usr/bin/env bash
# Shows MainWindow on a private Xvfb server and saves a picture of it (default docs/screenshots/main-window.png).
# Builds nothing: it needs build/bin/qinglan and build/tests-bin/qinglan-screengrab
# (cmake --build build --target qinglan qinglan-screengrab).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots/main-window.png}
for f in build/bin/qinglan build/tests-bin/qinglan-screengrab; do
  [ -x "$f" ] || { echo "screenshot-main: $f is missing; build it first" >&2; exit 1; }
done
mkdir -p "$(dirname "$out")"
export SHOT_OUT=$out
exec scripts/with-xvfb.sh bash -c '
  set -u
  build/bin/qinglan &
  app=$!
  trap "kill $app 2>/dev/null; wait $app 2>/dev/null" EXIT
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "青岚识文" | head -n 1)
  [ -n "$wid" ] || { echo "screenshot-main: the window did not appear" >&2; exit 1; }
  sleep 1  # let it paint
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  build/tests-bin/qinglan-screengrab "$X" "$Y" "$WIDTH" "$HEIGHT" "$SHOT_OUT" || exit 1
  echo "saved $SHOT_OUT (${WIDTH}x${HEIGHT})"
'
