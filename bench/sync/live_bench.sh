#!/usr/bin/env bash
# A whole synchronisation of a large handheld (make-sync-handheld: at scale 1,
# 20,000 flights), on its folder and live, served by corvane-handheld over
# NetSync and over the serial stack on a pseudo-terminal, with corvane-peer
# as the PC application, at verbosity 1.
#
#   bench/sync/live_bench.sh BIN_DIR [SCALE]
#
# BIN_DIR holds hotsync, CorvaneConduit, corvane-peer, corvane-handheld and
# make-sync-handheld (build/bin of a Release build). For each run: its wall
# time; the desktop's own CPU time (hotsync and the conduit it waits for)
# apart from the simulated handheld's; the DLP requests against the records
# read and written; the bytes on the wire against the least the stack's
# framing needs for the same DLP messages.
set -euo pipefail
bin=$(cd "$1" && pwd)
scale=${2:-1}
. "$(dirname "$0")/bench_lib.sh"
. "$(dirname "$0")/../../scripts/live_lib.sh"

# Per DLP piece of at most 1 KiB, what the least framing adds: NetSync frames
# a message whole (6 bytes, counted per message); on the serial stack a piece
# is one SLP packet (10 bytes of header, a 2-byte CRC) holding a PADP header
# (4 bytes, 6 in the long form a handheld uses once it is agreed), and the
# other end's acknowledgement of it, a packet of the same framing.
least_bytes() {  # stack stats
  local stats=$2 opening messages bytes pieces
  opening=$(sed -n 's/^opening_bytes=//p' "$stats")
  messages=$(( 2 * $(sed -n 's/^requests=//p' "$stats") ))
  bytes=$(sed -n 's/^message_bytes=//p' "$stats")
  pieces=$(sed -n 's/^message_pieces=//p' "$stats")
  if [ "$1" = netsync ]; then
    echo $(( opening + 6 * messages + bytes ))
  else
    echo $(( opening + (16 + 18) * pieces + bytes ))
  fi
}

records_in() {  # folder database...
  local total=0 db
  for db in "${@:2}"; do
    total=$(( total + $(records_of "$1/$db.pdb") ))
  done
  echo "$total"
}

echo "# machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "# scale $scale: run | wall_s | desktop_cpu_s handheld_cpu_s | requests records_read records_written | wire_bytes least_bytes x_least dlp_bytes"

prepare_run "$scale" 1
measure folder "${conduit_env[@]}" "$bin/hotsync" --handheld "$run/handheld" -- "$run/app/CorvaneConduit"
wait "$peer_pid"
folder_wall=$wall
written=$(records_in "$run/handheld" CRVN_Corvane_Cache CRVN_Corvane_Schema CRVN_Corvane_Reports)
echo "folder | $wall | $cpu - | - - - | - - -"

for stack in netsync serial; do
  prepare_run "$scale" 1
  read_expected=$(records_in "$run/handheld" CRVN_Corvane_db CRVN_Corvane_Cache CRVN_Corvane_Schema)
  # In a process group of its own, as start gives it, so that an interrupted
  # benchmark ends it.
  start_handheld "$stack" "$work/handheld.out" setsid /usr/bin/time -f '%U %S' \
    -o "$work/handheld.time" "$bin/corvane-handheld" --folder "$run/handheld" \
    --stats "$run/stats" --timeout 3600
  background+=("$handheld_pid")
  measure "$stack" "${conduit_env[@]}" "$bin/hotsync" "${handheld_link[@]}" -- "$run/app/CorvaneConduit"
  wait "$handheld_pid"
  wait "$peer_pid"
  sim_cpu=$(awk '{ printf "%.3f", $1 + $2 }' "$work/handheld.time")
  stats="$run/stats"
  wire=$(( $(sed -n 's/^bytes_in=//p' "$stats") + $(sed -n 's/^bytes_out=//p' "$stats") ))
  least=$(least_bytes "$stack" "$stats")
  echo "$stack | $wall | $cpu $sim_cpu | $(sed -n 's/^requests=//p' "$stats")" \
    "$(sed -n 's/^per_command.ReadRecord=//p' "$stats") (of $read_expected + 1 preference)" \
    "$(sed -n 's/^per_command.WriteRecord=//p' "$stats") (of $written) |" \
    "$wire $least $(awk -v w="$wire" -v l="$least" 'BEGIN { printf "%.3f", w / l }')" \
    "$(sed -n 's/^message_bytes=//p' "$stats")" \
    "| desktop cpu $(awk -v c="$cpu" -v f="$folder_wall" 'BEGIN { printf "%.2f", c / f }') x folder wall"
done
