#!/usr/bin/env bash
# Installs what is missing, builds, and starts 青岚识文 with the local services as its backend.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "qinglan: no X display (DISPLAY is not set); run it under Xvfb: xvfb-run -a -s '-screen 0 1920x1080x24' ./run.sh" >&2
  exit 1
fi
BIN=build/bin
PORT=${QINGLAN_LOCAL_PORT:-17650}
svc_pid=""
if [ -x "$BIN/qinglan-local-services" ] && ! (exec 3<>/dev/tcp/127.0.0.1/"$PORT") 2>/dev/null; then
  "$BIN/qinglan-local-services" --port "$PORT" &
  svc_pid=$!
  trap '[ -n "$svc_pid" ] && kill "$svc_pid" 2>/dev/null; wait "$svc_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 1 50); do (exec 3<>/dev/tcp/127.0.0.1/"$PORT") 2>/dev/null && break; sleep 0.1; done
fi
"$BIN/qinglan" "$@"
