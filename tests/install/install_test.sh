#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what lands there: the program with VELTO.dll and the
# local services beside it, the desktop entry and its icon; then runs the installed copies from there.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/qinglan-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/qinglan bin/qinglan-local-services; do
  [ -x "$prefix/$f" ] || fail "$f missing or not executable"
done
[ -f "$prefix/bin/VELTO.dll" ] || fail "VELTO.dll is not beside the program"
nm -D --defined-only "$prefix/bin/VELTO.dll" | grep -qw SkinH_AttachRes || fail "VELTO.dll lacks SkinH_AttachRes"
desktop=$prefix/share/applications/qinglan.desktop
[ -f "$desktop" ] || fail "desktop entry missing"
grep -qx 'Exec=qinglan' "$desktop" || fail "desktop entry does not start qinglan"
grep -qx 'Icon=qinglan' "$desktop" || fail "desktop entry names another icon"
icon=$prefix/share/icons/hicolor/128x128/apps/qinglan.png
[ -f "$icon" ] || fail "icon missing"
[ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "icon is not a PNG"

# The installed copies work from their new place: the program takes its run directory from its own
# folder, and recognises a picture through the installed local services.
version=$("$prefix/bin/qinglan" --version)
grep -qx "run directory: $prefix/bin" <<<"$version" || fail "run directory is not $prefix/bin: $version"
port_file=$prefix/port
"$prefix/bin/qinglan-local-services" --port 0 >"$port_file" 2>/dev/null &
svc=$!
trap 'kill $svc 2>/dev/null; wait $svc 2>/dev/null; rm -rf "$prefix"' EXIT
for _ in $(seq 1 200); do grep -q listening "$port_file" && break; sleep 0.05; done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$port_file")
[ -n "$port" ] || fail "installed qinglan-local-services did not start"
base=http://127.0.0.1:$port
text=$(env -u DISPLAY QINGLAN_OCR_BASE=$base QINGLAN_IMAGE_HOST_BASE=$base QINGLAN_TRANSLATE_BASE=$base \
       "$prefix/bin/qinglan" --recognize "$source/tests/services/data/ocr_lines.png") || fail "installed qinglan --recognize failed"
grep -q "Hello World" <<<"$text" || fail "installed qinglan recognised: $text"
echo "install_test: ok ($prefix)"
