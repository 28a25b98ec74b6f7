#!/usr/bin/env bash
# bramblet-cli ports under Wine reads the registry's serial device map: the names in the window's
# order, and a value that is not a port name reported with exit status 1 instead of ending the
# program.
#   wine-cli-ports.sh CLI_EXE
set -euo pipefail
cli=$1
key='HKLM\HARDWARE\DEVICEMAP\SERIALCOMM'
work=$(mktemp -d)
cleanup() {
  wine reg delete "$key" /v 'Bramblet\Ten' /f >/dev/null 2>&1 || true
  wine reg delete "$key" /v 'Bramblet\Three' /f >/dev/null 2>&1 || true
  wine reg delete "$key" /v 'Bramblet\Broken' /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "$*" >&2
  exit 1
}

wine reg add "$key" /v 'Bramblet\Ten' /t REG_SZ /d COM10 /f >/dev/null
wine reg add "$key" /v 'Bramblet\Three' /t REG_SZ /d COM3 /f >/dev/null
status=0
wine "$cli" ports >"$work/out" 2>"$work/err" || status=$?
((status == 0)) || fail "ports: exit $status: $(cat "$work/err")"
order=$(tr -d '\r' <"$work/out" | grep -xE 'COM3|COM10' | paste -sd,)
[[ $order == "COM3,COM10" ]] || fail "ports listed ${order:-nothing} (expected COM3,COM10)"

wine reg add "$key" /v 'Bramblet\Broken' /t REG_DWORD /d 7 /f >/dev/null
status=0
wine "$cli" ports >"$work/out" 2>"$work/err" || status=$?
((status == 1)) || fail "ports with a value that is no name: exit $status (expected 1)"
grep -q 'bramblet-cli: cannot list the serial ports: "Bramblet\\Broken"' "$work/err" ||
  fail "ports with a value that is no name said: $(cat "$work/err")"
[[ ! -s $work/out ]] || fail "ports printed a list it could not read whole: $(cat "$work/out")"
echo "wine bramblet-cli ports: COM3 before COM10, a value that is no name refused with exit 1"
