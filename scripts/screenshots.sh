#!/usr/bin/env bash
# Renders the main window, filled with a factory alignment, with each band page and each of its
# level tables selected, its curve view, and both during an automatic alignment against the
# simulated radio and meter, into docs/screenshots/*.png, in a real X server (Xvfb) with the CJK
# font.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/release-options.sh
scripts/build.sh build-release "${release_options[@]}" >/dev/null
if command -v fc-list >/dev/null && ! fc-list :lang=zh family | grep -q .; then
  echo "screenshots: no CJK font installed; Chinese text would show as boxes"
  exit 1
fi
mkdir -p docs/screenshots
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export XDG_CONFIG_HOME="$(mktemp -d)"  # the pictures show a first start, not this user's settings
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1200x24" \
  build-release/ui/velmora-screenshots docs/screenshots
