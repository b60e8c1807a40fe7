#!/usr/bin/env bash
# End to end on a real X server (run under scripts/with-xvfb.sh): the program against the local
# services; a window with known text; HotkeyCheck ticked (its message answered), F7, a region dragged
# around the text and double-clicked; the capture file appears under imgtemp and the recognised text
# reaches ResultEdit, read back through SaveResult's desktop file.
#   e2e_capture.sh BIN_DIR TEXT_WINDOW_PROGRAM
set -u
BIN=$1
TEXT_WINDOW=$2
work=$(mktemp -d /tmp/capture-e2e-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "e2e_capture: $*" >&2; exit 1; }
# Waits up to $1 tenths of a second for the command to succeed.
await() {
  local n=$1; shift
  for _ in $(seq 1 "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

"$BIN/qinglan-local-services" --port 0 >"$work/svc.out" 2>"$work/svc.err" &
pids+=($!)
await 200 grep -q "listening on 127.0.0.1:" "$work/svc.out" || fail "the local services did not start"
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/svc.out" | head -1)
base="http://127.0.0.1:$port"
export QINGLAN_OCR_BASE=$base QINGLAN_IMAGE_HOST_BASE=$base QINGLAN_TRANSLATE_BASE=$base
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME"
desktop=$HOME/Desktop

"$TEXT_WINDOW" &
pids+=($!)
await 100 xdotool search --name '^capture-e2e-text$' || fail "the text window did not show"

mkdir -p "$BIN/imgtemp"
ls "$BIN/imgtemp" >"$work/before" 2>/dev/null
"$BIN/qinglan" >"$work/qinglan.out" 2>&1 &
pids+=($!)
await 300 xdotool search --name '^青岚识文$' || fail "MainWindow did not show"
main=$(xdotool search --name '^青岚识文$' | head -1)
xdotool windowmove --sync "$main" 1300 300
sleep 0.5

# Tick HotkeyCheck and answer its message.
xdotool mousemove --window "$main" 12 494 click 1
await 100 xdotool search --name '^提示$' || fail "no message after ticking HotkeyCheck"
box=$(xdotool search --name '^提示$' | head -1)
xdotool windowfocus --sync "$box" key Return
await 100 sh -c "! xdotool search --name '^提示$'" || fail "the message did not close"

# F7 opens the overlay.
xdotool key F7
await 100 xdotool search --name '^CaptureWindow$' || fail "F7 did not open CaptureWindow"
sleep 0.5
# Drag a region around the text, then double-click inside it.
xdotool mousemove 75 75
sleep 0.2
xdotool mousedown 1
for p in "200 120" "400 200" "600 250" "745 268"; do xdotool mousemove $p; sleep 0.05; done
xdotool mouseup 1
sleep 0.3
xdotool mousemove 400 170
sleep 0.2
xdotool click --repeat 2 --delay 80 1

# The capture file under imgtemp.
newfile() { ls "$BIN/imgtemp" | sort | comm -13 <(sort "$work/before") - | head -1; }
for _ in $(seq 1 200); do f=$(newfile); [ -n "$f" ] && break; sleep 0.1; done
[ -n "${f:-}" ] || fail "no capture file appeared under imgtemp"
capture="$BIN/imgtemp/$f"
[ "$(head -c 2 "$capture")" = "BM" ] || fail "the capture file $f is not a BMP"
echo "capture file: $f ($(stat -c %s "$capture") bytes)"

# Wait for the recognised text: save the result to the desktop until it holds the text.
ok=0
for _ in $(seq 1 40); do
  sleep 1
  xdotool mousemove --window "$main" 136 494 click 1
  # "文件已经保存到桌面——…" under "提示", or the empty-result box whose title ends in "☆)".
  if await 50 xdotool search --name '^提示$|☆'; then
    b=$(xdotool search --name '^提示$|☆' | head -1)
    xdotool windowfocus --sync "$b" key Return
    await 50 sh -c "! xdotool search --name '^提示\$|☆'"
  fi
  for t in "$desktop"/*.txt; do
    [ -f "$t" ] || continue
    text=$(iconv -f GBK -t UTF-8 "$t" 2>/dev/null | tr -d ' \r')
    if printf '%s' "$text" | grep -q '你好世界' && printf '%s' "$text" | grep -qi 'HelloWorld'; then ok=1; fi
  done
  [ $ok = 1 ] && break
done
rm -f "$capture"
grep -q "uploadheadimg" "$work/svc.err" || fail "no upload reached the local services"
grep -q "general_basic" "$work/svc.err" || fail "no OCR request reached the local services"
[ $ok = 1 ] || { echo "ResultEdit held:"; for t in "$desktop"/*.txt; do iconv -f GBK -t UTF-8 "$t"; done; fail "the recognised text did not arrive"; }
echo "recognised: $(printf '%s' "$text" | tr '\n' '|')"
exit 0
