#!/usr/bin/env bash
# Every test: the Linux build, the same under the sanitizers, the fuzz targets, then the Windows
# build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh all

cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux

# Every test that needs no Qt again under AddressSanitizer and UndefinedBehaviorSanitizer: the
# link, the stream, the sequences, the simulator, the settings, the command line end to end and
# the installer.
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize

# Each parser's fuzz target for 30 s over its seed corpus; a fault fails the run.
bash scripts/fuzz.sh 30

cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/wine-env.sh
trap wine_stop EXIT
wine_start
ctest --preset windows
