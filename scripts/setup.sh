#!/usr/bin/env bash
# Installs every Debian package varnok needs to build, run and test, and the packages
# named as arguments, when missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libace-dev libloki-dev
  libcurl4-openssl-dev libssl-dev openssl
  qt6-base-dev qt6-webengine-dev qt6-tools-dev-tools qt6-svg-dev libgl-dev
  qt6-translations-l10n
  fonts-wqy-microhei
  googletest libgtest-dev libgmock-dev
  xvfb xauth x11-utils imagemagick openbox xdotool xclip gdb
  xdg-utils
  python3 procps
  clang libclang-rt-14-dev
  apache2-utils nginx-light
  "$@"
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
