# What the whole-synchronisation benchmarks share (sourced, not run): a
# scratch folder, processes in groups of their own that an interrupted
# benchmark ends with everything they started, a measured command, and the
# set-up of one run with corvane-peer as the PC application.
#
# Needs: bin (the folder of the programs).

work=$(mktemp -d /tmp/corvane-sync-bench-XXXXXX)
background=()  # process groups to end
run_pid=
cleanup() {
  for pid in $run_pid "${background[@]}"; do kill -- "-$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Sets cpu (user+sys seconds, its waited-for children included), wall
# (seconds) and peak (KB) of a command; its output goes to $work/$1.out.
measure() {
  local name=$1
  shift
  setsid /usr/bin/time -f '%U %S %e %M' -o "$work/$name.time" "$@" >"$work/$name.out" 2>&1 &
  run_pid=$!
  wait "$run_pid" || {
    echo "failed: $*" >&2
    cat "$work/$name.time" "$work/$name.out" >&2
    return 1
  }
  run_pid=
  read -r cpu wall peak < <(awk '{ printf "%.3f %.3f %d\n", $1 + $2, $3, $4 }' "$work/$name.time")
}

# Starts a command in a process group of its own; sets started to its pid.
start() {
  setsid "$@" &
  started=$!
  background+=("$started")
}

# The input of scale $1, built once: $work/input-$1/{handheld,pc}.
input() {
  local dir="$work/input-$1"
  [ -d "$dir" ] || "$bin/make-sync-handheld" "$dir" "$1"
  echo "$dir"
}

# A run of scale $1 at verbosity $2 in $work/run: a copy of the handheld, the
# conduit in a folder of its own, settings naming the exchange folder, and
# corvane-peer waiting to answer with the input's PC side.
prepare_run() {
  local in
  in=$(input "$1")
  run="$work/run"
  rm -rf "$run"
  mkdir -p "$run/app" "$run/exchange" "$run/config/Veltrane-soft" "$run/state"
  cp -r "$in/handheld" "$run/handheld"
  cp "$bin/CorvaneConduit" "$run/app/"
  printf '[General]\nPalmSyncPath=%s/\n' "$run/exchange" >"$run/config/Veltrane-soft/Corvane.conf"
  printf '%s' "$2" >"$run/exchange/verbose.txt"
  printf 'stage1 pda2pc' >"$run/exchange/status.flag"
  start "$bin/corvane-peer" --exchange "$run/exchange/" --timeout 3600 \
    --wait 'stage2 waiting pc' --run "cp -r '$in/pc/.' '$run/exchange/'" \
    --write 'stage3 pc2pda' --wait 'stage4 alldone' >"$run/peer.out" 2>&1
  peer_pid=$started
  sleep 0.3  # the peer takes its process name first
  # The environment the conduit runs in, before the launcher's command.
  conduit_env=(env XDG_CONFIG_HOME="$run/config" XDG_STATE_HOME="$run/state"
               WINEPREFIX="$run/wine" QT_QPA_PLATFORM=offscreen)
}
