#!/usr/bin/env bash
# Where the time of a 64 KB write goes: protocol time over the virtual line against the windows
# and byte times of the protocol, and the wall time of the same write through bramblet-sim on a
# pseudo-terminal (about 95 s). Not a test: run it by hand on a quiet machine.
#
# Measured here (2 cores): protocol 95.381 s, by hand 95.381 s, wall through bramblet-sim
# see the closing note of the change that added this script.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
cmake --preset linux >/dev/null
cmake --build --preset linux --target write-bench bramblet-sim >/dev/null
./build/linux/bench/write-bench ./build/linux/sim/bramblet-sim "$@"
