#!/usr/bin/env bash
# Renders the native Windows window and its ID code dialog to PNG files for review: Bramblet.exe
# under Wine on a virtual display, with the bundled sample chosen (a copy in C:\Bramblet\サンプル,
# so the browser shows a Japanese folder name), talking to a protected
# simulated chip through COM5; Tab and Space press the write button, the chip asks for its ID
# code, and the dialog opens. Each picture is the window with the frame Wine draws. Then the same
# in English, as the window's "Language" setting chooses it ("-en" pictures).
#   scripts/render-win32-ui.sh [OUTDIR]      default build/screens-win32
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$(realpath -m "${1:-build/screens-win32}")
bash scripts/setup.sh build windows tools
cmake --preset linux >/dev/null
cmake --build --preset linux --target bramblet-sim
cmake --preset windows >/dev/null
cmake --build --preset windows --target Bramblet
mkdir -p "$out"

source scripts/wine-env.sh
# A prefix of its own, so no settings of the pictures' run stay in the tests' registry, and a
# session that starts with its display.
export WINEPREFIX=$root/build/windows/wineprefix-render
source tests/support/wine-sim.sh
trap 'sim_stop; wine_session_release; wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  wine_display_stop' EXIT
wine_display_start
wine_start
wine_prepare_windows
wine_session_hold

sim_on_com build/linux/sim/bramblet-sim COM5 --id 0123456789ABCD --version VER.1.48
key='HKCU\Software\ORVANE\Bramblet'
wine reg delete "$key" /f >/dev/null 2>&1 || true
wine reg add "$key" /v WindowTop /t REG_DWORD /d 118 /f >/dev/null
wine reg add "$key" /v WindowLeft /t REG_DWORD /d 204 /f >/dev/null
wine reg add "$key" /v FileName /d "" /f >/dev/null
wine reg add "$key" /v COM /d COM5 /f >/dev/null
wine reg add "$key" /v ModePin /t REG_DWORD /d 0 /f >/dev/null
wine reg add "$key" /v CPU /d R8C /f >/dev/null

# Waits for a shown window of this title; its X id in `found`.
wait_window() {
  local _
  for _ in $(seq 300); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) || true
    [[ -n $found ]] && return 0
    sleep 0.1
  done
  echo "no window titled $1" >&2
  return 1
}
# The window, cut from a picture of the whole screen: the dropped lists of its boxes are windows
# of their own, and only the screen shows them in place.
shoot() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
  echo "$2"
}

folder="$WINEPREFIX/drive_c/Bramblet/サンプル"
mkdir -p "$folder"
cp samples/sample-r8c.mot "$folder/"
# The window and its dialog in one language: SUFFIX of the pictures, the dialog's title.
draw() {
  local suffix=$1 dialog_title=$2
  (cd "$folder" && exec wine "$root/build/windows/writer/win32ui/Bramblet.exe" sample-r8c.mot) &
  program=$!
  wait_window '^<R8C/M16C Talvoro2>  Orvane$'
  main=$found
  sleep 1.5
  shoot "$main" "$out/main-window$suffix.png"

  xdotool windowfocus --sync "$main" key Tab space
  wait_window "^$dialog_title\$"
  dialog=$found
  sleep 1.5
  shoot "$dialog" "$out/id-dialog$suffix.png"

  # The dialog's close box, then the window's: the write ends unlocked by nobody.
  xdotool windowfocus --sync "$dialog" key alt+F4
  sleep 1
  xdotool windowfocus --sync "$main" key alt+F4
  wait "$program" || true
}
draw "" 'プロテクトID入力'
wine reg add "$key" /v Language /d en /f >/dev/null
draw -en 'Enter protect ID'
