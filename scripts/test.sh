#!/usr/bin/env bash
# Every test: the Linux build, then the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh all

cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux

# The installer under AddressSanitizer and UndefinedBehaviorSanitizer, on inputs longer than every
# bound; only its own targets, to keep the run short.
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize --target installer_tests kelpin
ctest --preset sanitize -L installer

cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/wine-env.sh
trap wine_stop EXIT
wine_start
ctest --preset windows
