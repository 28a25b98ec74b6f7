#!/usr/bin/env bash
# The window tests under Wine on a virtual display of their own: over the virtual line, then a
# write by a click through COM8, which is bramblet-sim's pseudo-terminal; the flash the simulator
# saves at its end must hold every byte of the file. The tests have a Wine prefix of their own,
# whose session starts with the display: a session started without one (as the other Wine tests
# start theirs) makes each program's first window wait 10 s for Wine's RPC service.
#   wine-window.sh SIMULATOR TEST_EXE PREFIX
set -euo pipefail
here=$(dirname "$0")
if ! command -v Xvfb >/dev/null; then
  echo "no Xvfb for the window (bash scripts/setup.sh windows)" >&2
  exit 77
fi
source "$here/../../scripts/wine-env.sh"
export WINEPREFIX=$3
source "$here/../support/wine-sim.sh"
work=$(mktemp -d)
trap 'sim_stop; wine_session_release; wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  wine_display_stop; rm -rf "$work"' EXIT
wine_display_start
wine_start
wine_prepare_windows
wine_session_hold

timeout 120 wine "$2" --gtest_filter=-*ThroughAComPort*

# Two pages and a half at 0xC000, in a folder with a Japanese name.
file="$work/書込み/prog.mot"
mkdir -p "${file%/*}"
python3 - "$file" <<'PY'
import sys
lines = []
for a in range(0xC000, 0xC280, 16):
    body = [19, a >> 8, a & 0xFF] + [(a * 7 + i) & 0xFF for i in range(16)]
    lines.append("S1" + "".join("%02X" % b for b in body) + "%02X" % (0xFF - sum(body) & 0xFF))
open(sys.argv[1], "w", newline="\r\n").write("\n".join(lines) + "\nS9030000FC\n")
PY
sim_log="$work/sim.log"
sim_on_com "$1" COM8 --save "$work/saved.mot"
BRAMBLET_WINE_PORT=COM8 BRAMBLET_WINE_FILE=$(winepath -w "$file") \
  timeout 120 wine "$2" --gtest_filter=*ThroughAComPort*
sim_stop
python3 - "$file" "$work/saved.mot" <<'PY'
import sys
def data(path):
    out = {}
    for line in open(path):
        line = line.strip()
        if line[:2] not in ("S1", "S2", "S3"):
            continue
        size = {"1": 2, "2": 3, "3": 4}[line[1]]
        raw = bytes.fromhex(line[2:])
        address = int.from_bytes(raw[1:1 + size], "big")
        for i, b in enumerate(raw[1 + size:-1]):
            out[address + i] = b
    return out
written, flash = data(sys.argv[1]), data(sys.argv[2])
wrong = [a for a in written if flash.get(a, 0xFF) != written[a]]
if wrong:
    sys.exit("the chip's flash differs from the file at %d bytes, first at %06X" % (len(wrong), wrong[0]))
print("the chip's flash holds the %d bytes of the file" % len(written))
PY
