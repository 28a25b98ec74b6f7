# Sourced by the Wine tests: bramblet-sim from the Linux build, reached from Windows programs as a
# COM port of the Wine prefix (dosdevices/comN -> /dev/pts/M).
#   sim_on_com SIMULATOR PORT [SIMULATOR OPTIONS...]
# Exits 77 (skipped) when the simulator has not been built. sim_stop ends it (the simulator saves
# its flash then, if asked to) and removes the port; call it from the caller's EXIT trap. With
# sim_log set to a file, the simulator's standard error goes there instead of the caller's.
sim_on_com() {
  local sim=$1 port=$2
  shift 2
  if [[ ! -x $sim ]]; then
    echo "$sim not built (build the linux preset first)" >&2
    exit 77
  fi
  if [[ -z ${WINEPREFIX:-} ]]; then
    source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
  fi
  mkdir -p "$WINEPREFIX/dosdevices"
  sim_link="$WINEPREFIX/dosdevices/${port,,}"
  sim_out=$(mktemp)
  if [[ -n ${sim_log:-} ]]; then
    "$sim" --no-publish "$@" >"$sim_out" 2>"$sim_log" &
  else
    "$sim" --no-publish "$@" >"$sim_out" &
  fi
  sim_pid=$!
  for _ in $(seq 100); do
    [[ -s $sim_out ]] && break
    sleep 0.05
  done
  local pty
  pty=$(head -n1 "$sim_out")
  if [[ -z $pty ]]; then
    echo "the simulator printed no terminal" >&2
    exit 1
  fi
  ln -sfn "$pty" "$sim_link"
}

sim_stop() {
  [[ -n ${sim_pid:-} ]] || return 0
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -f "$sim_out" "$sim_link"
  sim_pid=
}
