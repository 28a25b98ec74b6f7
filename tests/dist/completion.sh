#!/usr/bin/env bash
# bramblet-cli's bash completion as a user meets it, against the real program.
#   completion.sh CLI SIM [SCRIPT]
# With SCRIPT that file is sourced. Without it the completion is loaded as bash loads it for a
# user, from the installed package through bash-completion's loader; CLI and SIM are then the
# names on the PATH. SIM, bramblet-sim, gives the port list a simulated chip.
set -uo pipefail
cli=$1 sim=$2 script=${3:-}
export LC_ALL=C
source /usr/share/bash-completion/bash_completion
if [[ -n $script ]]; then
  source "$script"
else
  _completion_loader bramblet-cli
fi
function=$(complete -p bramblet-cli 2>/dev/null | sed -nE 's/.*-F ([^ ]+).*/\1/p')
if [[ -z $function ]]; then
  echo "bash has no completion for bramblet-cli"
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/files"
cd "$work/files" || exit 1
touch prog.mot OLD.MOT lower.s notes.txt
mkdir boards
# A simulated chip of this test's own, published where only this test's port lists look.
export XDG_RUNTIME_DIR=$work/run
mkdir "$XDG_RUNTIME_DIR"
"$sim" --family M16C >/dev/null &
chip=$!
trap 'kill $chip; wait $chip; rm -rf "$work"' EXIT
published=$XDG_RUNTIME_DIR/bramblet-sim/M16C-$chip
for _ in $(seq 50); do [[ -e $published ]] && break; sleep 0.1; done

failures=0
# The completions of a command line whose last word is being completed, sorted, on one line.
complete_line() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  "$function" bramblet-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}
expect() {
  local want=$1 got
  shift
  got=$(complete_line "$@")
  if [[ $got != "$want" ]]; then
    echo "completing \"$*\": got \"$got\", expected \"$want\""
    failures=$((failures + 1))
  fi
}
expect_among() {
  local want=$1 got
  shift
  got=" $(complete_line "$@") "
  if [[ $got != *" $want "* ]]; then
    echo "completing \"$*\": \"$want\" is not among \"$got\""
    failures=$((failures + 1))
  fi
}

expect write "$cli" wr
for command in check erase verify write; do expect_among "$command" "$cli" ""; done
expect --version "$cli" --v
expect --family "$cli" write prog.mot --fa
for option in --port --family --mode-pin --id; do expect_among "$option" "$cli" verify prog.mot -; done
expect "M16C M32C R8C R8CM" "$cli" write prog.mot --family ""
expect "M16C M32C" "$cli" write prog.mot --family M
expect "" "$cli" write prog.mot --id ""
expect "" "$cli" write prog.mot --before ""
expect "read sum" "$cli" write prog.mot --verify-by ""
expect "en ja" "$cli" write prog.mot --lang ""
expect "--verify-by" "$cli" write prog.mot --verify
# The write file: any file, whose content tells its format, and folders to go into.
expect "OLD.MOT boards lower.s notes.txt prog.mot" "$cli" write ""
expect "OLD.MOT boards lower.s notes.txt prog.mot" "$cli" erase --port ttyUSB0 ""
expect "" "$cli" write prog.mot --base ""
# A port: one the program lists, where it can list them (the simulated chip among them), else
# any file, since a port may be any device or link.
files="OLD.MOT boards lower.s notes.txt prog.mot"
if grep -qE '^[[:space:]]*(usage:)?[[:space:]]*bramblet-cli ports' <<<"$("$cli" --help)"; then
  expect_among "$published" "$cli" write prog.mot --port ""
  expect "$("$cli" ports | grep -v '^[[:space:]]' | sort | paste -sd' ')" "$cli" write prog.mot --port ""
  expect "$published" "$cli" write prog.mot --port "$XDG_RUNTIME_DIR/"
  expect "boards" "$cli" write prog.mot --port bo
  # The commands that take a range or nothing: no file is offered, and read writes any file.
  expect "" "$cli" read ""
  expect "" "$cli" blank-check 4000-FFFF --port ttyUSB0 ""
  expect "$files" "$cli" read 4000-FFFF --port ttyUSB0 -o ""
  expect --baud "$cli" read 4000-FFFF --bau
  expect "115200 19200 38400 57600 9600" "$cli" write prog.mot --baud ""
  # The station's options: a log is any file, a serial number's place nothing to offer.
  expect "$files" "$cli" erase --log ""
  expect "" "$cli" write prog.mot --serial ""
  # The booking hook is a program: by name from the PATH, or by its path.
  expect_among bash "$cli" write prog.mot --serial-done bas
  expect "./boards" "$cli" write prog.mot --serial-done ./bo
  expect "--serial --serial-done --set-id" "$cli" write prog.mot --se
  expect "" "$cli" write prog.mot --set-id ""
  # info's file only locates its ID file, as erase's does.
  expect "$files" "$cli" info ""
else
  expect "$files" "$cli" write prog.mot --port ""
fi

# A user who reads Japanese gets the same completions: the usage is read in English.
export BRAMBLET_LANG=ja
expect check "$cli" ch
expect --version "$cli" --v
expect "--verify-by" "$cli" write prog.mot --verify
unset BRAMBLET_LANG

echo "completion of bramblet-cli: $failures failed"
((failures == 0))
