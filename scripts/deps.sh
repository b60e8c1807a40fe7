#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need; skips what is present.
set -euo pipefail
PKGS=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-image-formats-plugins
  libcurl4-openssl-dev libpng-dev zlib1g-dev libpcre2-dev libssl-dev
  libx11-dev libxi-dev libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev
  libtesseract-dev libleptonica-dev tesseract-ocr-chi-sim tesseract-ocr-eng
  fonts-wqy-microhei fontconfig
  xvfb xauth xdotool x11-utils xclip openssl
  clang libclang-rt-14-dev
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}" >&2
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq >/dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
