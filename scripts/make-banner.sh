#!/usr/bin/env bash
# Rebuilds resources/about_banner.png (550 x 166) from resources/tools/make_banner.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -fPIC resources/tools/make_banner.cpp -o "$tmp/make_banner" $(pkg-config --cflags --libs Qt6Widgets)
QT_QPA_PLATFORM=offscreen "$tmp/make_banner" resources/about_banner.png
echo "wrote resources/about_banner.png"
