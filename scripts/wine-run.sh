#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest and gtest_discover_tests. Now and then Debian 12's
# Wine 8.0 aborts in the Linux loader as its process exits ("Inconsistency detected by ld.so:
# dl-fini.c ... _dl_fini: Assertion"), after the program has run to its end; the program's own
# exit status is then lost. Such a run is run once more, its output dropped. Any other failure is
# the program's and stands.
#   wine-run.sh PROGRAM.exe [ARG...]
set -uo pipefail
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
  wine "$@" >"$out" 2>"$err"
  status=$?
  ((status != 0 && attempt == 1)) &&
    grep -q '^Inconsistency detected by ld\.so: dl-fini\.c: [0-9]*: _dl_fini: Assertion' "$err" ||
    break
done
cat "$out"
cat "$err" >&2
exit "$status"
