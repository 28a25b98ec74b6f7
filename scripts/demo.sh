#!/usr/bin/env bash
# The main job: check the bundled sample write file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
cmake --preset linux >/dev/null
cmake --build --preset linux --target bramblet-cli
./build/linux/writer/bramblet-cli check samples/sample-r8c.mot
