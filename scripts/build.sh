#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --sanitize). Used by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
cmake_flags=()
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  cmake_flags+=(-DKESTRUNE_SANITIZE=ON -DKESTRUNE_BENCH=OFF)
fi

cmake -S . -B "$build_dir" -G Ninja "${cmake_flags[@]}" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
