#!/usr/bin/env bash
# The Windows bramblet-cli under Wine writes and verifies a file through a COM port that is
# bramblet-sim's pseudo-terminal (dosdevices/com7 -> /dev/pts/N), then the saved flash is checked,
# and a run log is appended to.
# The simulated chip holds the rate it synchronised at, so the Win32 port's rates are checked
# too: 19200 on the normal link (the simulator's log names the rate), 38400 on the mode-pin link
# (a chip that runs at 38400 from reset answers no other rate), 115200 after --baud 115200 has
# moved the chip. Last, --before is refused on that port, which has no modem lines.
#   wine-cli-write.sh SIMULATOR CLI_EXE
set -euo pipefail
source "$(dirname "$0")/../support/wine-sim.sh"
work=$(mktemp -d)
trap 'sim_stop; rm -rf "$work"' EXIT
port=COM7
cli=$2
sim_log="$work/sim.log"

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

fail() {
  echo "$1" >&2
  [[ -s $sim_log ]] && { echo "simulator log:" >&2; tail -n 20 "$sim_log" >&2; }
  exit 1
}

# bramblet-cli COMMAND FILE --port PORT [OPTIONS...]: its last status line in `last`, its exit
# status in `status`.
run() {
  local command=$1
  shift
  status=0
  timeout 120 wine "$cli" "$command" "$winfile" --port "$port" "$@" >"$work/out" 2>"$work/err" ||
    status=$?
  last=$(tr -d '\r' <"$work/out" | tail -n1)
}

# Every byte of the file in the saved flash: the S2 record at 0xC000 as the simulator writes it.
holds_file() {
  grep -q '^S22400C000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F' "$1"
}

expect() {  # expect TEXT STATUS COMMAND [OPTIONS...]
  local text=$1 want=$2
  shift 2
  run "$@"
  [[ $last == "$text" && $status == "$want" ]] ||
    fail "bramblet-cli $*: exit $status, \"$last\" (expected exit $want, \"$text\")
$(cat "$work/err")"
}

# The normal link.
sim_on_com "$1" "$port" --verbose --save "$work/saved.mot"
expect "フラッシュ書き込みは無事完了しました" 0 write
expect "フラッシュベリファイは無事完了しました" 0 verify
rates=$(grep -o 'UART [0-9]* baud' "$sim_log" | sort -u | paste -sd ',')
[[ $rates == "UART 19200 baud" ]] || fail "the chip's rates: ${rates:-none}; expected UART 19200 baud"
sim_stop
holds_file "$work/saved.mot" || fail "the chip does not hold the file: $(cat "$work/saved.mot")"

# The mode-pin link, to a chip that runs at 38400 from reset. The normal link's 19200 is noise
# to it: no answer.
sim_on_com "$1" "$port" --mode-pin --save "$work/saved-mode-pin.mot"
expect "フラッシュ書き込みは無事完了しました" 0 write --mode-pin
expect "通信できません! ブートモードを確認してリセットしてください" 1 verify
sim_stop
holds_file "$work/saved-mode-pin.mot" || fail "the mode-pin chip does not hold the file"

# --baud 115200: synchronised at 19200, then moved by 0xB4; the port must follow after the echo.
sim_on_com "$1" "$port" --verbose --save "$work/saved-115200.mot"
expect "フラッシュ書き込みは無事完了しました" 0 write --baud 115200
rates=$(grep -o 'UART [0-9]* baud' "$sim_log" | paste -sd ',')
[[ $rates == "UART 19200 baud,UART 115200 baud" ]] || fail "the chip's rates: ${rates:-none}"
sim_stop
holds_file "$work/saved-115200.mot" || fail "the chip written at 115200 does not hold the file"

# --before on a COM port that is a pseudo-terminal: EscapeCommFunction fails there (error 50),
# and the port is refused before anything is sent.
sim_on_com "$1" "$port" --verbose
expect "通信できません! ブートモードを確認してリセットしてください" 1 write --before dtr=1,rts=1,wait=50,rts=0
refusal="bramblet-cli: cannot drive DTR on $port, a port without modem lines: system error 50"
[[ $(tr -d '\r' <"$work/err") == *"$refusal"* ]] || fail "no refusal on standard error: $(cat "$work/err")"
sim_stop
! grep -q ' ms ' "$sim_log" || fail "the chip heard something: $(cat "$sim_log")"

# The run log through the Win32 file calls: a write and a verify append to a log that already
# holds a line, each line whole, and --json gives standard output to the results.
sim_on_com "$1" "$port"
log="$work/運転 log.jsonl"
printf '{"earlier":true}\n' >"$log"
for command in write verify; do
  status=0
  timeout 120 wine "$cli" "$command" "$winfile" --port "$port" --json \
    --log "$(winepath -w "$log")" >"$work/out" 2>"$work/err" || status=$?
  ((status == 0)) || fail "bramblet-cli $command --log: exit $status
$(cat "$work/err")"
done
sim_stop
python3 - "$log" "$work/out" "$port" <<'PY' || fail "the log: $(cat "$log")"
import json, re, sys, zlib
log, out, port = sys.argv[1:]
lines = open(log, encoding="utf-8").read().splitlines()
assert len(lines) == 3 and json.loads(lines[0]) == {"earlier": True}, lines
image = bytes((a & 0xFF) if a < 0xC280 else 0xFF for a in range(0xC000, 0xC300))
for line, command in zip(lines[1:], ["write", "verify"]):
    entry = json.loads(line)
    assert entry["command"] == command and entry["ok"] is True and entry["port"] == port, entry
    assert re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d", entry["time"]), entry
    assert entry["version"] == "VER.1.00" and entry["file"].endswith("書込み data.mot"), entry
    assert entry["crc32"] == "%08X" % zlib.crc32(image) and entry["size"] == 768, entry
results = [json.loads(l) for l in open(out, encoding="utf-8").read().splitlines()]
assert results[-1]["event"] == "result" and results[-1]["text"] == "フラッシュベリファイは無事完了しました"
PY
# Serial numbers through the Win32 lock and programs: the next line of a list, marked, booked by
# a program that gets the number, the port and the outcome as arguments; then a number printed
# by a program, CR LF after it.
sim_on_com "$1" "$port"
list="$work/番号 list.txt"
printf '1000 used\r\n1001\r\n1002\r\n' >"$list"
status=0
timeout 120 wine "$cli" write "$winfile" --port "$port" --json \
  --serial "C400:2:list:$(winepath -w "$list")" --serial-done "cmd.exe /c echo booked" \
  >"$work/out" 2>"$work/err" || status=$?
((status == 0)) || fail "bramblet-cli write --serial list: exit $status
$(cat "$work/err")"
[[ $(tr -d '\r' <"$list") == $'1000 used\n1001 used\n1002' ]] || fail "the list: $(cat "$list")"
[[ $(tr -d '\r' <"$work/err") == *"booked 1001 $port ok"* ]] || fail "no booking: $(cat "$work/err")"
[[ $(tail -n1 "$work/out") == *'"serial":1001,"serial_void":false'* ]] || fail "$(cat "$work/out")"
timeout 120 wine "$cli" write "$winfile" --port "$port" --json --serial "C400:2:cmd:cmd.exe /c echo 77" \
  >"$work/out" 2>"$work/err" || fail "bramblet-cli write --serial cmd: $(cat "$work/err")"
[[ $(tail -n1 "$work/out") == *'"serial":77,"serial_void":false'* ]] || fail "$(cat "$work/out")"
sim_stop

echo "wine bramblet-cli wrote and verified through $port at 19200, at 38400 on the mode-pin link" \
  "and at 115200 after the baud-rate command, refused --before on a port without modem lines" \
  "and appended to its run log, took serial numbers from a list and a program and booked one"
