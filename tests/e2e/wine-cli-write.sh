#!/usr/bin/env bash
# The Windows bramblet-cli under Wine writes and verifies a file through a COM port that is
# bramblet-sim's pseudo-terminal (dosdevices/com7 -> /dev/pts/N), then the saved flash is checked.
#   wine-cli-write.sh SIMULATOR CLI_EXE
set -euo pipefail
source "$(dirname "$0")/../support/wine-sim.sh"
work=$(mktemp -d)
trap 'sim_stop; rm -rf "$work"' EXIT
port=COM7
sim_on_com "$1" "$port" --save "$work/saved.mot"
cli=$2

# Two pages and a half at 0xC000, the name with a blank and Japanese letters.
file="$work/書込み data.mot"
python3 - "$file" <<'PY'
import sys
lines = []
for a in range(0xC000, 0xC280, 16):
    data = [(a + i) & 0xFF for i in range(16)]
    body = [19, a >> 8, a & 0xFF] + data
    lines.append("S1" + "".join("%02X" % b for b in body) + "%02X" % (0xFF - sum(body) & 0xFF))
open(sys.argv[1], "w", newline="\r\n").write("\n".join(lines) + "\nS9030000FC\n")
PY
winfile=$(winepath -w "$file")

run() {
  local out
  out=$(timeout 120 wine "$cli" "$@" "$winfile" --port "$port" 2>"$work/err") || {
    echo "bramblet-cli $1 failed: $out" >&2
    cat "$work/err" >&2
    return 1
  }
  printf '%s\n' "$out" | tr -d '\r' | tail -n1
}
[[ $(run write) == "フラッシュ書き込みは無事完了しました" ]]
[[ $(run verify) == "フラッシュベリファイは無事完了しました" ]]

sim_stop
grep -q '^S22400C000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F' \
  "$work/saved.mot" || { echo "the chip does not hold the file" >&2; cat "$work/saved.mot" >&2; exit 1; }
echo "wine bramblet-cli wrote and verified through $port"
