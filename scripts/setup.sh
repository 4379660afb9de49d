#!/usr/bin/env bash
# Installs every Debian package Velmora needs to build, test and run; quiet when all is there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev qt6-svg-dev qt6-qpa-plugins libgl-dev
  qt6-tools-dev qt6-l10n-tools
  libgtest-dev libgmock-dev
  fonts-noto-cjk qt6-translations-l10n xvfb xauth x11-utils libxcb1-dev
  g++-mingw-w64-x86-64-posix wine64 googletest
  dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin man-db
  libqt6sql6-sqlite libqt6sql6-psql postgresql
  chromium
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
