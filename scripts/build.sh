#!/usr/bin/env bash
# Configures and builds one flavour: build.sh DIR [--target NAME]... [cmake options...]
# Without --target it builds everything.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
targets=()
while [[ ${1:-} == --target ]]; do
  targets+=(--target "$2")
  shift 2
done
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
