#!/usr/bin/env bash
# The fast link against the design's: a 64 KB write and verify through bramblet-sim in real
# time, with the design's link, with --baud 115200 (against the bytes on the wire plus the
# chip's own work), verified by the check data, a sparse image written with its blank pages left
# out, eight boards at once, and the fast write through each USB-serial adapter model of
# bramblet-sim against the ideal line. Not a test: run it by hand on a quiet machine; it takes
# about six minutes, most of it the design's link and the adapters. --skip-design leaves the
# design's link out; --adapters-only runs the adapters' table alone.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
cmake --preset linux >/dev/null
cmake --build --preset linux --target link-bench bramblet-sim bramblet-cli >/dev/null
./build/linux/bench/link-bench ./build/linux/sim/bramblet-sim ./build/linux/writer/bramblet-cli "$@"
