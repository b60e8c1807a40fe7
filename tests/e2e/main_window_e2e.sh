#!/usr/bin/env bash
# The main window as a user drives it, on an X server, with xdotool, against the real local services:
# choose a picture through the open-file dialog (typing its path), read the recognised text back through
# "保存结果" and the desktop file, translate it both ways from the result box's popup menu, copy it, and
# find the line in the history log. Each step's result is compared with what the command-line use of the
# same pipelines prints. On failure, screenshots and logs are left in OUT_DIR.
#   main_window_e2e.sh BIN_DIR TESTS_BIN_DIR SOURCE_DIR OUT_DIR      (under scripts/with-xvfb.sh)
set -uo pipefail
bin=$1 tbin=$2 src=$3 out=$4
rm -rf "$out" && mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/qinglan-e2e.XXXXXX")
app="" svc=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
  [ -n "$svc" ] && kill "$svc" 2>/dev/null && wait "$svc" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
shot=0
screenshot() { shot=$((shot + 1)); "$tbin/qinglan-screengrab" 0 0 1920 1080 "$out/$(printf %02d "$shot")-$1.png" 2>/dev/null; }
fail() {
  echo "main_window_e2e: FAILED: $*" >&2
  screenshot failure
  cp "$work/services.log" "$work/app.log" "$out/" 2>/dev/null
  echo "main_window_e2e: screenshots and logs in $out" >&2
  exit 1
}
step() { echo "main_window_e2e: $*" >&2; }

# A run directory of its own (the history log is written there) and a home with an empty desktop.
mkdir -p "$work/run" "$work/home/Desktop" "$work/config" "$work/pictures"
cp "$bin/qinglan" "$bin/VELTO.dll" "$work/run/"
cp "$src/tests/services/data/ocr_lines.png" "$work/pictures/lines.png"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb

"$bin/qinglan-local-services" --port 0 >"$work/services.out" 2>"$work/services.log" &
svc=$!
for _ in $(seq 1 600); do grep -q listening "$work/services.out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/services.out")
[ -n "$port" ] || fail "the local services did not start"
base=http://127.0.0.1:$port
export QINGLAN_OCR_BASE=$base QINGLAN_IMAGE_HOST_BASE=$base QINGLAN_TRANSLATE_BASE=$base

requests() { grep -c " $1 " "$work/services.log" 2>/dev/null || true; }
# Waits (bounded) until the services have answered COUNT requests to PATH, then lets the display settle.
wait_requests() {
  for _ in $(seq 1 1200); do [ "$(requests "$1")" -ge "$2" ] && { sleep 1; return 0; }; sleep 0.1; done
  fail "no request to $1 reached the services"
}
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
wait_window() {
  local w=""
  for _ in $(seq 1 300); do w=$(visible "$1"); [ -n "$w" ] && { echo "$w"; return 0; }; sleep 0.1; done
  return 1
}
# Confirms the message box of that title with Enter and waits until it is gone.
dismiss() {
  local box
  box=$(wait_window "^$1\$") || fail "no message box \"$1\""
  xdotool windowfocus --sync "$box"
  xdotool key Return
  for _ in $(seq 1 100); do [ -z "$(visible "^$1\$")" ] && return 0; sleep 0.1; done
  fail "the message box \"$1\" did not close"
}
# Control positions inside MainWindow (its client area is the X window; there is no window manager).
click() { xdotool mousemove --window "$main" "$1" "$2" click "${3:-1}"; }
select_image() { click 268 34; }
save_result() { click 136 494; }
menu_item() {  # 1 汉-->英, 2 英-->汉, 3 复制全文, from the result box's popup menu
  click 155 259 3
  sleep 0.5
  local keys=()
  for _ in $(seq 1 "$1"); do keys+=(Down); done
  xdotool key "${keys[@]}" Return
}
# The desktop file written by "保存结果", as UTF-8 with LF line breaks.
saved_text() { iconv -f GBK -t UTF-8 "$1" | sed 's/\r$//'; }
cli() { printf '%s' "$2" | "$bin/qinglan" --translate "$1"; }

step "starting qinglan"
"$work/run/qinglan" >"$work/app.log" 2>&1 &
app=$!
main=$(wait_window "^青岚识文\$") || fail "MainWindow did not appear"
sleep 1
screenshot started

step "choosing the picture through the open-file dialog"
select_image
dialog=$(wait_window "^打开\$") || fail "the open-file dialog did not appear"
xdotool windowfocus --sync "$dialog"
xdotool type --delay 5 "$work/pictures/lines.png"
xdotool key Return
wait_requests "/rest/2.0/ocr/v1/general_basic" 1
screenshot recognised

step "saving the result to the desktop"
save_result
dismiss "提示"
files=("$HOME"/Desktop/*.txt)
[ -f "${files[0]}" ] || fail "no text file on the desktop"
desktop_file=${files[0]}
id=$(basename "$desktop_file" .txt)
recognised=$(saved_text "$desktop_file")
expected=$'今天天气很好。\n    我们去公园Hello World'
[ "$recognised" = "$expected" ] || fail "recognised text: $recognised"

step "history log"
log_line=$(iconv -f GBK -t UTF-8 "$work/run/ImgCode.log" | head -n 1 | tr -d '\r')
[[ "$log_line" == *"lines.png-->$id" ]] || fail "history log starts with: $log_line"

step "translating Chinese to English from the popup menu"
menu_item 1
wait_requests "/api/trans/vip/translate" 1
save_result
dismiss "提示"
english=$(saved_text "$desktop_file")
want=$(cli zh-en "$recognised") || fail "qinglan --translate zh-en failed"
[ -n "$english" ] && [ "$english" != "$recognised" ] || fail "the result box was not translated: $english"
[ "$english" = "$want" ] || fail "zh->en gave \"$english\", the command line \"$want\""
screenshot english

step "translating English to Chinese from the popup menu"
menu_item 2
wait_requests "/api/trans/vip/translate" 3  # the command line above made one request too
save_result
dismiss "提示"
chinese=$(saved_text "$desktop_file")
want=$(cli en-zh "$english") || fail "qinglan --translate en-zh failed"
[ -n "$chinese" ] && [ "$chinese" != "$english" ] || fail "the result box was not translated: $chinese"
[ "$chinese" = "$want" ] || fail "en->zh gave \"$chinese\", the command line \"$want\""
screenshot chinese

step "copying the whole text"
menu_item 3
dismiss "成功！"
copied=$(xclip -o -selection clipboard 2>/dev/null | sed 's/\r$//')
[ "$copied" = "$chinese" ] || fail "clipboard holds \"$copied\", the result box \"$chinese\""

step "closing"
xdotool windowclose "$main" 2>/dev/null || kill "$app"
for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
app=""
rm -rf "$out"
echo "main_window_e2e: ok"
