#!/usr/bin/env bash
# Every test: the Linux build and its Debian package, then the Windows build and its archive
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh all

cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux
# The Debian package, installed, each program run from its files, then removed.
bash scripts/test-package.sh deb

# The installer under AddressSanitizer and UndefinedBehaviorSanitizer, on inputs longer than every
# bound, and the S-record stream, which reads its buffer a word at a time; only their own
# targets, to keep the run short.
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize --target installer_tests kelpin flash_tests
ctest --preset sanitize -L 'installer|stream'

cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/wine-env.sh
trap wine_stop EXIT
wine_start
ctest --preset windows
# The Windows archive, unpacked and run under Wine.
bash scripts/test-package.sh zip
