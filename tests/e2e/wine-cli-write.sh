#!/usr/bin/env bash
# The Windows bramblet-cli under Wine writes and verifies a file through a COM port that is
# bramblet-sim's pseudo-terminal (dosdevices/com7 -> /dev/pts/N), then the saved flash is checked.
#   wine-cli-write.sh SIMULATOR CLI_EXE
# Exit 77 (skipped) when the Linux simulator has not been built.
set -euo pipefail
sim=$1 cli=$2
if [[ ! -x $sim ]]; then
  echo "wine-cli-write.sh: $sim not built (build the linux preset first)" >&2
  exit 77
fi
if [[ -z ${WINEPREFIX:-} ]]; then
  source "$(dirname "$0")/../../scripts/wine-env.sh"
fi
work=$(mktemp -d)
port=COM7
link="$WINEPREFIX/dosdevices/${port,,}"
mkdir -p "$WINEPREFIX/dosdevices"
"$sim" --save "$work/saved.mot" --no-publish >"$work/sim.out" &
sim_pid=$!
cleanup() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -rf "$work" "$link"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [[ -s $work/sim.out ]] && break
  sleep 0.05
done
pty=$(head -n1 "$work/sim.out")
[[ -n $pty ]] || { echo "the simulator printed no terminal" >&2; exit 1; }
ln -sfn "$pty" "$link"

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

kill "$sim_pid"
wait "$sim_pid" || true
grep -q '^S22400C000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F' \
  "$work/saved.mot" || { echo "the chip does not hold the file" >&2; cat "$work/saved.mot" >&2; exit 1; }
echo "wine bramblet-cli wrote and verified through $port"
