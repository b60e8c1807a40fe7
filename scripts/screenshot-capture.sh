#!/usr/bin/env bash
# Opens the capture overlay on a private Xvfb server (hotkey check box ticked, F7) over MainWindow, draws
# a selection around the window and saves a picture of the overlay (default
# docs/screenshots/capture-overlay.png). Builds nothing: it needs build/bin/qinglan,
# build/bin/qinglan-local-services and build/tests-bin/qinglan-screengrab.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots/capture-overlay.png}
for f in build/bin/qinglan build/bin/qinglan-local-services build/tests-bin/qinglan-screengrab; do
  [ -x "$f" ] || { echo "screenshot-capture: $f is missing; build it first" >&2; exit 1; }
done
mkdir -p "$(dirname "$out")"
work=$(mktemp -d)
cp build/bin/qinglan build/bin/VELTO.dll "$work/"
export SHOT_OUT=$out SHOT_WORK=$work
exec scripts/with-xvfb.sh bash -c '
  set -u
  build/bin/qinglan-local-services --port 0 >"$SHOT_WORK/svc.out" 2>/dev/null &
  svc=$!
  for _ in $(seq 1 100); do grep -q listening "$SHOT_WORK/svc.out" && break; sleep 0.1; done
  base=http://127.0.0.1:$(sed -n "s/.*127\.0\.0\.1:\([0-9]*\).*/\1/p" "$SHOT_WORK/svc.out")
  QINGLAN_OCR_BASE=$base QINGLAN_IMAGE_HOST_BASE=$base QINGLAN_TRANSLATE_BASE=$base HOME=$SHOT_WORK \
    "$SHOT_WORK/qinglan" >/dev/null 2>&1 &
  app=$!
  trap "kill $app $svc 2>/dev/null; wait $app $svc 2>/dev/null; rm -rf $SHOT_WORK" EXIT
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "青岚识文" | head -n 1)
  [ -n "$wid" ] || { echo "screenshot-capture: the window did not appear" >&2; exit 1; }
  xdotool windowmove "$wid" 200 150
  sleep 1
  xdotool mousemove --window "$wid" 52 494 click 1   # 启用快捷键截图, then its information box
  sleep 1
  for box in $(xdotool search --onlyvisible --name "." 2>/dev/null); do
    [ "$box" = "$wid" ] && continue
    xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
  done
  sleep 0.5
  xdotool key F7
  sleep 2
  # Draw a selection around the main window, then rest the pointer inside it.
  xdotool mousemove 170 120 sleep 0.3 mousemove 180 130 sleep 0.3 mousedown 1 sleep 0.2 mousemove 300 300 sleep 0.2 mousemove 540 700 sleep 0.2 mouseup 1
  sleep 0.5
  xdotool mousemove 420 420
  sleep 1
  build/tests-bin/qinglan-screengrab 0 0 960 800 "$SHOT_OUT" || exit 1
  xdotool key Escape
  sleep 1
  echo "saved $SHOT_OUT"
'
