#!/usr/bin/env bash
# Runs the Win32 port tests under Wine against bramblet-sim: the simulator's pseudo-terminal is
# mapped into the Wine prefix as a COM port (dosdevices/comN -> /dev/pts/M).
#   wine-serial.sh SIMULATOR TEST_EXE
# Exit 77 (skipped) when the Linux simulator has not been built.
set -euo pipefail
sim=$1 test_exe=$2
if [[ ! -x $sim ]]; then
  echo "wine-serial.sh: $sim not built (build the linux preset first)" >&2
  exit 77
fi
if [[ -z ${WINEPREFIX:-} ]]; then
  source "$(dirname "$0")/../../scripts/wine-env.sh"
fi
port=COM9
link="$WINEPREFIX/dosdevices/${port,,}"
mkdir -p "$WINEPREFIX/dosdevices"

out=$(mktemp)
"$sim" --family M16C --id 4B656C70696E21 --no-publish >"$out" &
sim_pid=$!
cleanup() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -f "$out" "$link"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [[ -s $out ]] && break
  sleep 0.05
done
pty=$(head -n1 "$out")
[[ -n $pty ]] || { echo "wine-serial.sh: the simulator printed no terminal" >&2; exit 1; }
ln -sfn "$pty" "$link"
BRAMBLET_WINE_PORT=$port WINEDEBUG=-all wine "$test_exe"
