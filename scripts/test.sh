#!/usr/bin/env bash
# Every test: the Linux build and its Debian package, the tests that need no Qt under the
# sanitizers, those that start threads or catch signals under ThreadSanitizer, the fuzz targets, then the Windows build, its archive and its installer under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh all

cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux
# The Debian package, installed, each program run from its files, then removed.
bash scripts/test-package.sh deb

# Every test that needs no Qt again under AddressSanitizer and UndefinedBehaviorSanitizer: the
# link, the stream, the sequences, the simulator, the settings, the command line end to end and
# the installer.
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize

# The programs and tests that start threads or catch signals under ThreadSanitizer, where any
# report fails the test: several boards, the stops, the shared log and counter.
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan

# Each parser's fuzz target for 30 s over its seed corpus; a fault fails the run.
bash scripts/fuzz.sh 30

cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/wine-env.sh
trap wine_stop EXIT
wine_start
ctest --preset windows
# The Windows archive, unpacked and run under Wine; the installer, installed, run and removed
# under Wine in a prefix of its own.
bash scripts/test-package.sh zip
bash scripts/test-package.sh nsis
