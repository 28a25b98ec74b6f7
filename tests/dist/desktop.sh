#!/usr/bin/env bash
# The menu entry and the file types as the desktop reads them: the entry is valid, it opens
# the types it claims with the file as the window's one argument, and a MIME database built
# with Debian's definitions and ours gives each extension exactly our type.
#   desktop.sh DESKTOP-ENTRY MIME-XML
set -uo pipefail
entry=$1 xml=$2
failures=0
fail() {
  echo "$*"
  failures=$((failures + 1))
}

problems=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $problems"
[[ -z $problems ]] || fail "desktop-file-validate: $problems"
grep -qx 'Exec=Bramblet %f' "$entry" || fail "the entry does not pass one file to Bramblet"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$work/mime/packages/"
cp "$xml" "$work/mime/packages/bramblet.xml"
# The database is private to this test, so it is put in the search path to keep it quiet.
out=$(XDG_DATA_DIRS=$work update-mime-database "$work/mime" 2>&1) || fail "update-mime-database: $out"
[[ -z $out ]] || fail "update-mime-database: $out"

declare -A want=([mot]=text/x-srecord [s19]=text/x-srecord [srec]=text/x-srecord
  [x30]=application/x-x30)
for extension in "${!want[@]}"; do
  types=$(awk -F: -v glob="*.$extension" '$3 == glob { print $2 }' "$work/mime/globs2" | sort -u |
    paste -sd' ')
  [[ $types == "${want[$extension]}" ]] ||
    fail "*.$extension is \"$types\" in the MIME database, expected ${want[$extension]}"
done
for type in $(sed -n 's/^MimeType=//p' "$entry" | tr ';' ' '); do
  [[ -f $work/mime/${type}.xml ]] || fail "the entry claims $type, which no MIME package defines"
done

echo "menu entry and file types: $failures failed"
((failures == 0))
