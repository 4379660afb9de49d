#!/usr/bin/env bash
# Installs every Debian package Velmora needs to build, test and run; quiet when all is there.
# setup.sh build: only what building needs.
set -euo pipefail

# What building needs, and the release build's timing tests (the SQLite driver: align --write keeps
# a record); rsvg-convert and the xcb headers are looked for when the release build is configured.
build_packages=(
  g++ cmake ninja-build pkg-config mold dpkg-dev
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev qt6-svg-dev qt6-qpa-plugins libgl-dev
  qt6-tools-dev qt6-l10n-tools
  libgtest-dev libgmock-dev libqt6sql6-sqlite librsvg2-bin libxcb1-dev
)
# What the other tests, the Windows check and the package's checks need besides.
other_packages=(
  fonts-noto-cjk qt6-translations-l10n xvfb xauth x11-utils
  g++-mingw-w64-x86-64-posix wine64 googletest
  file lintian desktop-file-utils appstream man-db
  libqt6sql6-psql postgresql
  chromium
)
# setup.sh build: only the first group, so that a build can start while the rest installs.
packages=("${build_packages[@]}")
[ "${1:-}" = build ] || packages+=("${other_packages[@]}")

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
