#!/usr/bin/env bash
# Runs the Win32 port tests under Wine against bramblet-sim on a COM port of the prefix.
#   wine-serial.sh SIMULATOR TEST_EXE
set -euo pipefail
source "$(dirname "$0")/../support/wine-sim.sh"
trap sim_stop EXIT
sim_on_com "$1" COM9 --family M16C --id 4B656C70696E21
BRAMBLET_WINE_PORT=COM9 WINEDEBUG=-all wine "$2"
