#!/usr/bin/env bash
# Sets everything up, builds Velmora and runs what there is of it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build-release -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -x build-release/ui/velmora ]; then
  exec build-release/ui/velmora "$@"
fi
echo "The window is not built yet; the calibration core's tests:"
exec ctest --test-dir build-release --label-regex core
