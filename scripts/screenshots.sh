#!/usr/bin/env bash
# Writes a screenshot of each of the four pages of the main window to docs/screenshots/. Runs the
# program under a virtual display with a fresh, empty home, so local settings never show.
# Usage: bash scripts/screenshots.sh [path/to/kestrune]   (default: build, then build/app/kestrune)
set -euo pipefail
cd "$(dirname "$0")/.."

program="${1:-}"
if [ -z "$program" ]; then
  bash scripts/install-deps.sh
  bash scripts/build.sh
  program=./build/app/kestrune
fi

home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p docs/screenshots
xvfb-run -a -s "-screen 0 1280x900x24" "$program" --home "$home" --screenshots docs/screenshots
ls docs/screenshots
