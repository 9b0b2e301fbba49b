#!/usr/bin/env bash
# A whole synchronisation (hotsync + CorvaneConduit, corvane-peer as the PC
# application) on a large handheld and on one twice its size, at verbosity 1
# and 50, next to a minimal synchronisation and to cat moving the same bytes.
#
#   bench/sync/sync_bench.sh BIN_DIR [SCALE...] [-v LEVEL...]
#
# BIN_DIR holds hotsync, CorvaneConduit, corvane-peer and make-sync-handheld
# (build/bin of a Release build). SCALEs default to 1 2, LEVELs to 1 50.
# CPU is user+sys of hotsync and the conduit (wait4 of hotsync, which waits
# for the conduit), peak memory the largest resident set among them.
set -euo pipefail

bin=$(cd "$1" && pwd)
shift
scales=()
levels=()
while [ $# -gt 0 ]; do
  if [ "$1" = -v ]; then
    shift
    while [ $# -gt 0 ] && [ "$1" != -v ]; do levels+=("$1"); shift; done
  else
    scales+=("$1")
    shift
  fi
done
[ ${#scales[@]} -gt 0 ] || scales=(1 2)
[ ${#levels[@]} -gt 0 ] || levels=(1 50)

work=$(mktemp -d /tmp/corvane-sync-bench-XXXXXX)
# The peer and the measured run each lead a process group of their own, so
# that an interrupted benchmark ends them with everything they started.
peer_pid=
run_pid=
cleanup() {
  for pid in $run_pid $peer_pid; do kill -- "-$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Sets cpu (user+sys seconds), wall (seconds) and peak (KB) of a command.
measure() {
  setsid /usr/bin/time -f '%U %S %e %M' -o "$work/time" "$@" >/dev/null 2>&1 &
  run_pid=$!
  wait "$run_pid" || {
    echo "failed: $*" >&2
    cat "$work/time" >&2
    return 1
  }
  run_pid=
  read -r cpu wall peak < <(awk '{ printf "%.3f %.3f %d\n", $1 + $2, $3, $4 }' "$work/time")
}

# Builds the input once per scale.
input() {
  local dir="$work/input-$1"
  [ -d "$dir" ] || "$bin/make-sync-handheld" "$dir" "$1"
  echo "$dir"
}

# One synchronisation; sets cpu, wall, peak (KB), data (bytes moved) and
# largest (bytes of the largest database file).
sync_run() {
  local scale=$1 level=$2 in run
  input "$scale" >/dev/null
  in="$work/input-$scale"
  run="$work/run"
  rm -rf "$run"
  mkdir -p "$run/app" "$run/exchange" "$run/config/Veltrane-soft" "$run/state"
  cp -r "$in/handheld" "$run/handheld"
  cp "$bin/CorvaneConduit" "$run/app/"
  printf '[General]\nPalmSyncPath=%s/\n' "$run/exchange" >"$run/config/Veltrane-soft/Corvane.conf"
  printf '%s' "$level" >"$run/exchange/verbose.txt"
  printf 'stage1 pda2pc' >"$run/exchange/status.flag"
  local before
  before=$(du -cb "$run"/handheld/*.pdb | tail -1 | cut -f1)
  setsid "$bin/corvane-peer" --exchange "$run/exchange/" --timeout 3600 \
    --wait 'stage2 waiting pc' --run "cp -r '$in/pc/.' '$run/exchange/'" \
    --write 'stage3 pc2pda' --wait 'stage4 alldone' >"$run/peer.out" 2>&1 &
  peer_pid=$!
  sleep 0.3  # the peer takes its process name first
  cd "$run"
  XDG_CONFIG_HOME="$run/config" XDG_STATE_HOME="$run/state" WINEPREFIX="$run/wine" \
    QT_QPA_PLATFORM=offscreen measure "$bin/hotsync" --handheld "$run/handheld" -- \
    "$run/app/CorvaneConduit"
  cd - >/dev/null
  wait "$peer_pid"
  peer_pid=
  # The bytes moved: the handheld read, the exchange files written and read,
  # the handheld written.
  local exchange after
  exchange=$(find "$run/exchange" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
  after=$(du -cb "$run"/handheld/*.pdb | tail -1 | cut -f1)
  largest=$(find "$run/handheld" "$in/handheld" -name '*.pdb' -printf '%s\n' | sort -n | tail -1)
  data=$((before + exchange + after))
  # cat reads and writes the same bytes (the handheld before and after and
  # the exchange folder), for the comparison.
  find "$in/handheld" "$run/exchange" "$run/handheld" -type f -print0 >"$work/files"
}

# Ten times over: a single run's CPU time is below the clock's resolution.
cat_run() {
  measure sh -c "for i in 1 2 3 4 5 6 7 8 9 10; do xargs -0 cat <'$work/files' >'$work/cat.out'; done"
  cat_cpu=$(awk -v c="$cpu" 'BEGIN { printf "%.4f", c / 10 }')
}

echo "# machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "# scale level | cpu_s wall_s peak_MB | data_MB largest_db_MB | cat_cpu_s | data_cpu_s x_cat | peak_above_min_MB x_largest"
for level in "${levels[@]}"; do
  sync_run 0 "$level"
  min_cpu=$cpu min_peak=$peak
  echo "0 $level | minimal: cpu $min_cpu s, peak $((min_peak / 1024)) MB"
  for scale in "${scales[@]}"; do
    sync_run "$scale" "$level"
    s_cpu=$cpu s_wall=$wall s_peak=$peak
    cat_run
    cpu=$s_cpu wall=$s_wall peak=$s_peak
    awk -v s="$scale" -v l="$level" -v cpu="$cpu" -v wall="$wall" -v peak="$peak" \
      -v data="$data" -v largest="$largest" -v cat="$cat_cpu" -v mcpu="$min_cpu" \
      -v mpeak="$min_peak" 'BEGIN {
        d = cpu - mcpu; c = cat > 0.0001 ? cat : 0.0001; above = (peak - mpeak) / 1024
        printf "%s %s | %.2f %.2f %.1f | %.1f %.1f | %.4f | %.2f %.1fx | %.1f %.2fx\n",
          s, l, cpu, wall, peak / 1024, data / 1e6, largest / 1e6, cat, d, d / c,
          above, above / (largest / 1048576)
      }'
  done
done
