#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what lands there: the program with VELTO.dll and the
# local services beside it, the desktop entry and its icon; then runs the installed copies from there.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
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

# The installed local services start from their new place and report their port.
port_file=$prefix/port
"$prefix/bin/qinglan-local-services" --port 0 >"$port_file" 2>/dev/null &
svc=$!
for _ in $(seq 1 100); do [ -s "$port_file" ] && break; sleep 0.05; done
kill "$svc" 2>/dev/null; wait "$svc" 2>/dev/null || true
grep -Eq '[0-9]+' "$port_file" || fail "installed qinglan-local-services did not start"

# The installed program takes its run directory from its own place.
if "$prefix/bin/qinglan" --help >/dev/null 2>&1; then
  out=$("$prefix/bin/qinglan" --run-directory 2>/dev/null || true)
  if [ -n "$out" ]; then [ "$out" = "$prefix/bin" ] || fail "run directory is $out, not $prefix/bin"; fi
fi
echo "install_test: ok ($prefix)"
