#!/usr/bin/env bash
# Where the time of a 64 KB write goes: protocol time over the virtual line against the windows
# and byte times of the protocol, and the wall time of the same write through bramblet-sim on a
# pseudo-terminal (about 95 s). Not a test: run it by hand on a quiet machine.
#
# Measured here (2 cores, other builds running): protocol 95.381 s, by hand 95.381 s (windows
# 60.832 s + 66334 byte times of 0.5208 ms), wall through bramblet-sim 95.672 s: ratio 1.0031.
# The status polls take 59.6 s (one whole 230 ms window per page), the one-byte Page Read
# reads 35.1 s (259 byte times per page), the connection and ID unlock about 1.3 s.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
cmake --preset linux >/dev/null
cmake --build --preset linux --target write-bench bramblet-sim >/dev/null
./build/linux/bench/write-bench ./build/linux/sim/bramblet-sim "$@"
