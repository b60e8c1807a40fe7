#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite:
#   build/      ordinary build, every test
#   build-san/  AddressSanitizer + UndefinedBehaviorSanitizer, every test
#   build-tsan/ ThreadSanitizer, the widget-free threaded tests
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
JOBS=${JOBS:-$(nproc)}
status=0

run_suite() {  # dir, cmake args..., -- ctest args...
  local dir=$1; shift
  local cargs=() targs=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do cargs+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  targs=("$@")
  echo "== $dir: configure and build" >&2
  cmake -S . -B "$dir" -G Ninja -DQINGLAN_BENCH=ON "${cargs[@]}" >/dev/null
  cmake --build "$dir" -j "$JOBS"
  echo "== $dir: tests" >&2
  ctest --test-dir "$dir" --output-on-failure -j "$JOBS" "${targs[@]}" || status=1
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQINGLAN_SANITIZE=
if [ "${QINGLAN_SKIP_SANITIZERS:-0}" != 1 ]; then
  run_suite build-san -DCMAKE_BUILD_TYPE=Debug "-DQINGLAN_SANITIZE=address,undefined" -DQINGLAN_BENCH=OFF -- -LE nosan
  run_suite build-tsan -DCMAKE_BUILD_TYPE=Debug -DQINGLAN_SANITIZE=thread -DQINGLAN_GUI=OFF -DQINGLAN_BENCH=OFF -- -L threaded
fi
if [ -x scripts/fuzz.sh ] && [ "${QINGLAN_SKIP_FUZZ:-0}" != 1 ]; then
  ./scripts/fuzz.sh || status=1
fi
exit $status
