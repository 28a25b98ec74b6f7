#!/usr/bin/env bash
# The main job: write the bundled sample into a chip with bramblet-cli.
#   demo.sh          into the simulated chip (bramblet-sim on a pseudo-terminal)
#   demo.sh PORT     into a real board in boot mode on PORT (for example /dev/ttyUSB0)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
cmake --preset linux >/dev/null
cmake --build --preset linux --target bramblet-cli bramblet-sim >/dev/null

sample=samples/sample-r8c.mot
if [[ $# -gt 0 ]]; then
  exec ./build/linux/writer/bramblet-cli write "$sample" --port "$1"
fi

port=build/demo-chip
flash=build/demo-flash.mot
./build/linux/sim/bramblet-sim --link "$port" --save "$flash" >/dev/null &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -e $port ]] && break; sleep 0.1; done

echo "Writing $sample into the simulated chip on $port (about 5 seconds at 19200 baud):"
status=0
./build/linux/writer/bramblet-cli write "$sample" --port "$port" || status=$?
kill $sim
wait $sim || true
trap - EXIT
echo
echo "bramblet-cli exit status: $status. The chip's flash afterwards: $flash"
exit $status
