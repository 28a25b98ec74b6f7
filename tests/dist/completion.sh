#!/usr/bin/env bash
# bramblet-cli's bash completion as a user meets it, against the real program.
#   completion.sh CLI [SCRIPT]
# With SCRIPT that file is sourced. Without it the completion is loaded as bash loads it for a
# user, from the installed package through bash-completion's loader; CLI is then the name on
# the PATH.
set -uo pipefail
cli=$1 script=${2:-}
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
cd "$work" || exit 1
touch prog.mot OLD.MOT lower.s notes.txt
mkdir boards

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
# The write file: S-record names in any letter case, and folders to go into.
expect "OLD.MOT boards lower.s prog.mot" "$cli" write ""
expect "OLD.MOT boards lower.s prog.mot" "$cli" erase --port ttyUSB0 ""
# A port: one the program lists where it can list them, else any file (a device or a link).
files="OLD.MOT boards lower.s notes.txt prog.mot"
if grep -qE '^[[:space:]]*(usage:)?[[:space:]]*bramblet-cli ports' <<<"$("$cli" --help)"; then
  ports=$("$cli" ports | sort | paste -sd' ')
  expect "${ports:-$files}" "$cli" write prog.mot --port ""
else
  expect "$files" "$cli" write prog.mot --port ""
fi

echo "completion of bramblet-cli: $failures failed"
((failures == 0))
