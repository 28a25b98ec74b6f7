#!/usr/bin/env bash
# Renders the Bramblet window (with the bundled sample chosen) and the ID code dialog to PNG
# files for review, on the offscreen platform: no display needed.
#   scripts/render-ui.sh [OUTDIR]      default build/screens
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/screens}"
bash scripts/setup.sh build gui
cmake --preset linux >/dev/null
cmake --build --preset linux --target bramblet-render
QT_QPA_PLATFORM=offscreen ./build/linux/tools/bramblet-render "$out" samples/sample-r8c.mot
