#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. With --sanitize the build and the tests
# run under AddressSanitizer and UndefinedBehaviorSanitizer (in build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh "$@"

build_dir=build
if [ "${1:-}" = "--sanitize" ]; then build_dir=build-asan; fi

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
