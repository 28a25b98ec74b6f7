#!/usr/bin/env bash
# Every test: the Linux build, then the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh all

cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux

cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/wine-env.sh
trap wine_stop EXIT
wine_start
ctest --preset windows
