#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. With --sanitize the build and the tests
# run under AddressSanitizer and UndefinedBehaviorSanitizer (in build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh "$@"

build_dir=build
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
  # Qt WebEngine itself frees some objects through a base without a virtual destructor.
  export ASAN_OPTIONS="new_delete_type_mismatch=0"
fi

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
