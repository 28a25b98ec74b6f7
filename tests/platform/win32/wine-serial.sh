#!/usr/bin/env bash
# Runs the Win32 port tests under Wine against bramblet-sim on a COM port of the prefix: first
# with a protected chip, then with a simulator killed while the port is open, then with one that
# never reads.
#   wine-serial.sh SIMULATOR TEST_EXE
set -euo pipefail
source "$(dirname "$0")/../../support/wine-sim.sh"
# A stopped simulator would never see the signal that ends it.
trap 'kill -CONT "${sim_pid:-}" 2>/dev/null || true; sim_stop' EXIT
export WINEDEBUG=-all BRAMBLET_WINE_PORT=COM9

sim_on_com "$1" COM9 --family M16C --id 4B656C70696E21
wine "$2" --gtest_filter=-Win32SerialLostTest.*
sim_stop

sim_on_com "$1" COM9
mark=$(mktemp -u)
BRAMBLET_WINE_MARK="Z:$mark" wine "$2" --gtest_filter=Win32SerialLostTest.SimulatorKilled* &
test=$!
for _ in $(seq 200); do
  [[ -e $mark ]] && break
  sleep 0.05
done
kill -KILL "$sim_pid"
status=0
wait "$test" || status=$?
rm -f "$mark"
sim_stop
[[ $status == 0 ]] || exit "$status"

sim_on_com "$1" COM9
kill -STOP "$sim_pid"
BRAMBLET_WINE_STOPPED=1 wine "$2" --gtest_filter=Win32SerialLostTest.WriteTheLine*
kill -CONT "$sim_pid"
