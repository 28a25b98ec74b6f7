#!/usr/bin/env bash
# The manual pages as a reader and the programs see them: each renders without a warning,
# names exactly the commands and options that its program's --help lists, and its examples
# use only commands and options that exist.
#   man-pages.sh MANDIR COMPLETION PROGRAM...
# PROGRAM is the path of bramblet-cli or bramblet-sim, whose page is MANDIR/NAME.1. The other
# pages in MANDIR (the window, kelpin) are of programs that take no options: they must name none.
# COMPLETION is the bash completion script, whose reader of usage texts is used here too.
set -uo pipefail
mandir=$1 completion=$2
shift 2
source "$completion"
declare -A program
for path in "$@"; do program[${path##*/}]=$path; done

failures=0
fail() {
  echo "$*"
  failures=$((failures + 1))
}

# The roff source as words: dashes as dashes, no font changes, no macro names, no quotes.
plain() {
  sed -E -e 's/\\f[BIRP]//g; s/\\f\(..//g; s/\\-/-/g; s/\\&//g' \
    -e 's/^\.[A-Z]+ ?//; s/"//g' "$1"
}
# The lines of one section (by its .SH title), or all but EXAMPLES and SEE ALSO.
section() {
  awk -v want="$2" '/^\.SH/ { title = substr($0, 5); gsub(/"/, "", title); next }
    want == "" ? (title != "EXAMPLES" && title != "SEE ALSO") : title == want' "$1"
}
# The first word after each .TP of a section: the entries it describes.
entries() {
  section "$1" "$2" | awk 'tp { sub(/^\.[A-Z]+ /, ""); print $1; tp = 0 } /^\.TP/ { tp = 1 }'
}
words() { grep "^$1 " | cut -d' ' -f2 | sort -u; }
# Reports what one list has that the other lacks: compare WHAT PAGE PAGE-WORDS HELP-WORDS NAME.
compare() {
  local what=$1 page=$2 in_page=$3 in_help=$4 name=$5 word
  for word in $(comm -13 <(echo "$in_page") <(echo "$in_help")); do
    fail "$page lacks the $what $word, which $name --help lists"
  done
  for word in $(comm -23 <(echo "$in_page") <(echo "$in_help")); do
    fail "$page names the $what $word, which $name --help does not list"
  done
}

for page in "$mandir"/*.1; do
  base=${page##*/}
  name=${base%.1}
  warnings=$(LC_ALL=C MANWIDTH=80 man --warnings=w -l "$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "$base: man -l warns: $warnings"

  own=$(section "$page" "" | plain /dev/stdin | _bramblet_help_words "$name")
  if [[ -n ${program[$name]:-} ]]; then
    help=$("${program[$name]}" --help | _bramblet_help_words "$name")
    compare option "$base" "$(words option <<<"$own")" "$(words option <<<"$help")" "$name"
    compare command "$base" "$(words command <<<"$own")" "$(words command <<<"$help")" "$name"
    if [[ -n $(words command <<<"$help") ]]; then
      compare command "$base (COMMANDS)" "$(entries "$page" COMMANDS | sort -u)" \
        "$(words command <<<"$help")" "$name"
    fi
  else
    for option in $(words option <<<"$own"); do
      fail "$base names the option $option, but $name takes no options"
    done
  fi

  # Each use of a program in the examples: its command and options must be its own.
  while IFS= read -r use; do
    user=${use%% *}
    [[ -n ${program[$user]:-} ]] || continue
    known=$("${program[$user]}" --help | _bramblet_help_words "$user")
    got=$(_bramblet_help_words "$user" <<<"$use")
    for word in $(comm -23 <(words option <<<"$got") <(words option <<<"$known")); do
      fail "$base: the example \"$use\" uses $word, which $user --help does not list"
    done
    for word in $(comm -23 <(words command <<<"$got") <(words command <<<"$known")); do
      fail "$base: the example \"$use\" uses the command $word, which $user --help does not list"
    done
  done < <(section "$page" EXAMPLES | plain /dev/stdin |
    grep -oE '(bramblet-cli|bramblet-sim)( [^;&|<>]*)?')
done

echo "$(ls "$mandir"/*.1 | wc -l) pages, $failures failed"
((failures == 0))
