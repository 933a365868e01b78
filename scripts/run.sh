#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window program. Extra arguments go to it
# (for example --home DIR). Without a display it starts under a virtual one (xvfb-run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display found, starting under xvfb-run"
  exec xvfb-run -a -s "-screen 0 1280x900x24" ./build/app/kestrune "$@"
fi
exec ./build/app/kestrune "$@"
