#!/usr/bin/env bash
# Builds the skin library and a small picture-taking program, then shoots the skinned MainWindow and
# AboutWindow on a private Xvfb server into docs/screenshots/shell-main-window.png and shell-about-window.png.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target VELTO shell_screenshots
mkdir -p docs/screenshots
./scripts/with-xvfb.sh build/tests-bin/shell_screenshots "$PWD/docs/screenshots"
