#!/usr/bin/env bash
# Drop loop: whole synchronisations of the sample handheld, live, through
# corvane-pc, with the simulated handheld dropping the connection at every
# DLP request in turn, from the first to the last, over NetSync and over the
# serial stack on a pseudo-terminal; and falling silent at every STEP-th
# request (hotsync gives a silent handheld up after 2 s here). After every
# run it checks that
#   - the synchronisation failed (status 1 from corvane-pc) and ended in time,
#   - every one of the 20 flights is on the handheld, or in the logbook or
#     its pending file (which the next run takes in),
#   - no program of the run still runs.
# It builds nothing: it takes the executables of a build folder.
#
#   scripts/drop-loop.sh BUILD_DIR [STEP] [FOLDER]
#
# STEP defaults to 10, FOLDER to a new temporary folder. Exit status 0 when
# every check held, 1 otherwise.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: drop-loop.sh BUILD_DIR [STEP] [FOLDER]}" && pwd)"
step="${2:-10}"
folder="${3:-$(mktemp -d "${TMPDIR:-/tmp}/corvane-drop-loop.XXXXXX")}"
mkdir -p "$folder"
folder="$(cd "$folder" && pwd)"
bin="$folder/bin"
mkdir -p "$bin" "$folder/pristine"
for p in CorvaneConduit hotsync pdbtool corvane-pc corvane-handheld; do cp -f "$build/bin/$p" "$bin/"; done
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="default.warning=false"
. "$repo/scripts/live_lib.sh"
for description in "$repo"/samples/handheld/CRVN_Corvane_*.txt; do
  "$bin/pdbtool" create "$folder/pristine/$(basename "$description" .txt).pdb" "$description" >/dev/null
done

# One synchronisation: stack (netsync or serial), then the simulated
# handheld's own options. Sets status (corvane-pc's), flights (kept) and
# requests (those the handheld answered).
synchronise() {
  local stack=$1 run="$folder/run"
  shift
  rm -rf "$run"
  mkdir -p "$run"
  cp -r "$folder/pristine" "$run/handheld"
  cp -r "$repo/samples/pc" "$run/pc"
  start_handheld "$stack" "$run/handheld.out" \
    "$bin/corvane-handheld" --folder "$run/handheld" --stats "$run/stats" --timeout 60 "$@"
  status=0
  XDG_CONFIG_HOME="$run/config" timeout 120 "$bin/corvane-pc" --exchange "$run/exchange" \
    "${handheld_link[@]}" --answer-timeout 2 --logbook "$run/logbook.csv" --data "$run/pc" \
    --timeout 60 >"$run/pc.out" 2>&1 || status=$?
  wait "$handheld_pid" || true
  local on_handheld
  on_handheld=$(records_of "$run/handheld/CRVN_Corvane_db.pdb")
  flights=$(( on_handheld + $(rows "$run/logbook.csv") + $(rows "$run/logbook.csv.pending") ))
  requests=$(sed -n 's/^requests=//p' "$run/stats" 2>/dev/null || echo 0)
}

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

echo "# drop loop on $(nproc) cores; $(date -u +%F)"
for stack in netsync serial; do
  synchronise "$stack"
  [ "$status" -eq 0 ] || fail "$stack: the whole synchronisation failed ($status)"
  total=$requests
  drops=0 silences=0 kept=0
  for n in $(seq 1 "$total"); do
    for how in drop silent; do
      [ "$how" = drop ] || [ $((n % step)) -eq 1 ] || continue
      synchronise "$stack" "--$how-after" "$n"
      [ "$status" -eq 1 ] || fail "$stack $how at $n: corvane-pc ended with $status"
      [ "$flights" -ge 20 ] || fail "$stack $how at $n: $flights flights kept, not 20"
      [ "$flights" -lt 20 ] || kept=$((kept + 1))
      if pgrep -f "$folder/bin/" >/dev/null; then
        fail "$stack $how at $n: programs of the run still run"
        pkill -9 -f "$folder/bin/" || true
      fi
      if [ "$how" = drop ]; then drops=$((drops + 1)); else silences=$((silences + 1)); fi
    done
  done
  echo "$stack: $total requests a synchronisation; $drops drops, $silences silences;" \
    "$kept runs kept every flight"
done
echo "failures: $failures"
[ "$failures" -eq 0 ]
