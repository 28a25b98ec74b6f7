#!/usr/bin/env bash
# The main job, on the simulated chip when no board is attached:
#   1. start bramblet-sim (a chip in boot mode behind a pseudo-terminal),
#   2. write the bundled sample into it with bramblet-cli and show the outcome,
#   3. open the Bramblet window with the simulated chip's port chosen and the sample loaded,
#      ready to write: on your desktop when there is one (close the window to end), otherwise
#      on a virtual display, saving a screenshot whose path is printed.
#   demo.sh PORT     writes the sample into a real board in boot mode on PORT instead
#                    (for example /dev/ttyUSB0) and opens the window on that port.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh build gui tools
cmake --preset linux >/dev/null
cmake --build --preset linux --target bramblet-cli bramblet-sim Bramblet >/dev/null

sample=$root/samples/sample-r8c.mot
demo=$root/build/demo
mkdir -p "$demo"
sim=
cleanup() {
  if [[ -n $sim ]]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
  fi
}
trap cleanup EXIT

if [[ $# -gt 0 ]]; then
  port=$1
else
  port=$demo/chip
  ./build/linux/sim/bramblet-sim --link "$port" --save "$demo/flash.mot" >/dev/null &
  sim=$!
  for _ in $(seq 50); do [[ -e $port ]] && break; sleep 0.1; done
fi

echo "== bramblet-cli write $sample --port $port   (about 5 s at 19200 baud)"
status=0
./build/linux/writer/bramblet-cli write "$sample" --port "$port" || status=$?
echo "== exit status $status"

# The window remembers its port and file in its settings file; give it one of its own that names
# the simulated chip, so the user's own settings are left alone.
export XDG_CONFIG_HOME=$demo/config
mkdir -p "$XDG_CONFIG_HOME/ORVANE"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\ORVANE\Bramblet]' \
  '"WindowTop"=dword:00000076' '"WindowLeft"=dword:000000cc' \
  "\"FileName\"=\"$sample\"" "\"COM\"=\"$port\"" '"CPU"="R8C"' '"ModePin"=dword:00000000' \
  >"$XDG_CONFIG_HOME/ORVANE/Bramblet.reg"

if [[ -n ${DISPLAY:-} ]]; then
  echo "== The Bramblet window is open on $port with the sample chosen: press フラッシュ書き込み実行."
  ./build/linux/writer/ui/Bramblet "$sample"
else
  shot=$demo/window.png
  xvfb-run -a -s "-screen 0 640x480x24" bash -c '
    "$1" "$2" & app=$!
    sleep 3
    import -window root -crop 361x267+204+118 "$3"
    kill $app' _ ./build/linux/writer/ui/Bramblet "$sample" "$shot"
  echo "== No screen here: the window was opened on a virtual display, on port $port with the"
  echo "   sample chosen and ready to write. See it in $shot (any image viewer)."
fi
if [[ -n $sim ]]; then
  cleanup
  sim=
  echo "== The simulated chip's flash afterwards: $demo/flash.mot"
fi
exit $status
