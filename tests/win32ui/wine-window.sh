#!/usr/bin/env bash
# The window tests under Wine on a virtual display of their own: over the virtual line, then
# writes by a click through COM8, which is bramblet-sim's pseudo-terminal: with the design's
# settings, then with the fast link and the verify by check data chosen. The flash the simulator
# saves at its end must hold every byte of the file, and its log shows the link each time took. The tests have a Wine prefix of their own,
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

test_exe=$2
timeout 120 wine "$test_exe" --gtest_filter=-*ThroughAComPort*

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
# Every byte of the file in the flash the simulator saved.
holds_file() {
  python3 - "$file" "$1" <<'PY'
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
}

# click_write NAME SIMULATOR [ENVIRONMENT...]: a click on the write button through COM8; the chip's rates
# and whether it was asked for a page (Page Read, FF) or its check data (FD), from its log.
click_write() {
  local name=$1 sim=$2
  shift 2
  sim_log="$work/$name.log"
  sim_on_com "$sim" COM8 --verbose --save "$work/$name.mot"
  env "$@" BRAMBLET_WINE_PORT=COM8 BRAMBLET_WINE_FILE=$(winepath -w "$file") \
    timeout 120 wine "$test_exe" --gtest_filter=*ThroughAComPort*
  sim_stop
  holds_file "$work/$name.mot"
  rates=$(grep -o 'UART [0-9]* baud' "$sim_log" | paste -sd ',' || true)
  page_reads=$(grep -c ' ms  FF  ' "$sim_log" || true)
  check_data=$(grep -c ' ms  FD  ' "$sim_log" || true)
}

# Neither value set: the design's link, every page read back.
click_write design "$1"
[[ $rates == "UART 19200 baud" && $page_reads == 3 && $check_data == 0 ]] ||
  { echo "the design's write: $rates, $page_reads page reads, $check_data check data reads" >&2; exit 1; }
# "Baud"=115200 and "VerifyBy"="sum": the chip moved to 115200, no page read back.
click_write fast "$1" BRAMBLET_WINE_FAST=1
[[ $rates == "UART 19200 baud,UART 115200 baud" && $page_reads == 0 && $check_data == 2 ]] ||
  { echo "the fast write: $rates, $page_reads page reads, $check_data check data reads" >&2; exit 1; }
echo "the window wrote through COM8 with the design's link and page reads, and at 115200 verified by check data"
