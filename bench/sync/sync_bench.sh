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

. "$(dirname "$0")/bench_lib.sh"

# One synchronisation; sets cpu, wall, peak (KB), data (bytes moved) and
# largest (bytes of the largest database file).
sync_run() {
  local scale=$1 level=$2 in
  in=$(input "$scale")
  prepare_run "$scale" "$level"
  local before
  before=$(du -cb "$run"/handheld/*.pdb | tail -1 | cut -f1)
  cd "$run"
  measure sync "${conduit_env[@]}" "$bin/hotsync" --handheld "$run/handheld" -- \
    "$run/app/CorvaneConduit"
  cd - >/dev/null
  wait "$peer_pid"
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
  measure cat sh -c "for i in 1 2 3 4 5 6 7 8 9 10; do xargs -0 cat <'$work/files' >'$work/cat.out'; done"
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
