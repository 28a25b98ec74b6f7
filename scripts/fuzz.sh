#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each for SECONDS (default 30) over its seed corpus in fuzz/corpus/NAME, with the tokens of
# fuzz/dict/NAME.dict. What a run finds
# is kept in build/fuzz/corpus/NAME, so a later run goes on from there; a failing input goes to
# build/fuzz/artifacts/. Prints each target's executions and coverage; fails if any target
# found a fault.
#   scripts/fuzz.sh [SECONDS] [NAME...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
bash scripts/setup.sh build fuzz

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

names=("$@")
if ((${#names[@]} == 0)); then
  for dir in fuzz/corpus/*/; do names+=("$(basename "$dir")"); done
fi
mkdir -p build/fuzz/artifacts build/fuzz/logs
# The targets write each input to a scratch file: in memory where there is a tmpfs, and in a
# folder of this run's, since a timed libFuzzer run ends without removing it.
TMPDIR=$(mktemp -d /dev/shm/bramblet-fuzz.XXXXXX 2>/dev/null || mktemp -d)
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
failed=()
for name in "${names[@]}"; do
  mkdir -p "build/fuzz/corpus/$name"
  log=build/fuzz/logs/$name.log
  status=0
  options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
    -artifact_prefix="build/fuzz/artifacts/$name-")
  [[ -f fuzz/dict/$name.dict ]] && options+=(-dict="fuzz/dict/$name.dict")
  "build/fuzz/fuzz/$name-fuzzer" "${options[@]}" "build/fuzz/corpus/$name" "fuzz/corpus/$name" \
    >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -1 || true)
  printf '%-15s %10s runs in %ss  %s\n' "$name" "${runs:-?}" "$seconds" "$coverage"
  if ((status != 0)); then
    failed+=("$name")
    grep -E -A30 '^==[0-9]+==|^SUMMARY|deadly signal|Test unit written' "$log" | head -60 || tail -40 "$log"
  fi
done
if ((${#failed[@]})); then
  echo "fuzz.sh: faults found by: ${failed[*]} (inputs in build/fuzz/artifacts/, logs in build/fuzz/logs/)" >&2
  exit 1
fi
