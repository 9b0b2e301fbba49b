#!/usr/bin/env bash
# The main job, shown on a sample handheld: installs what is missing, builds
# the programs, installs them into FOLDER/bin and runs one whole
# synchronisation with corvane-pc playing the Corvane PC application. Run
# again on the same FOLDER, it first records three new flights on the
# handheld, as a pilot would between two synchronisations, and syncs again.
#
# With --live the handheld is a live one: corvane-handheld, the simulated
# handheld, serves the same databases, and both synchronisations run at once,
# the first over the network (NetSync), the second over a serial line (a
# pseudo-terminal); each says how many DLP requests and bytes crossed the wire.
#
#   scripts/demo.sh [--live] [FOLDER]      (default: a new temporary folder)
#
# CORVANE_DEMO_BIN=DIR skips installing, building and installing and takes
# the executables from DIR (used by the tests).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
live=false
if [ "${1:-}" = "--live" ]; then
  live=true
  shift
fi
folder="${1:-$(mktemp -d "${TMPDIR:-/tmp}/corvane-demo.XXXXXX")}"
mkdir -p "$folder"
folder="$(cd "$folder" && pwd)"
bin="$folder/bin"

# --- the programs, installed into FOLDER (a portable install: the log stays beside them)
programs=(CorvaneConduit hotsync pdbtool corvane-pc corvane-handheld)
if [ -n "${CORVANE_DEMO_BIN:-}" ]; then
  mkdir -p "$bin"
  for p in "${programs[@]}"; do cp -f "$CORVANE_DEMO_BIN/$p" "$bin/"; done
else
  cd "$repo"
  scripts/install-deps.sh --program
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF
  # Only what the demonstration runs: the tests and benchmarks are scripts/test.sh's business.
  cmake --build build -j2 --target "${programs[@]}"
  cmake --install build --prefix "$folder"
fi
pdbtool="$bin/pdbtool"
. "$repo/scripts/live_lib.sh"

# --- settings of our own: the user's real ones stay untouched
export XDG_CONFIG_HOME="$folder/config"
if [ -n "${DISPLAY:-}" ]; then
  window="a real window on $DISPLAY"
else
  export QT_QPA_PLATFORM=offscreen
  export QT_LOGGING_RULES="default.warning=false"  # the offscreen platform's chatter
  window="offscreen (no DISPLAY)"
fi

handheld="$folder/handheld"
exchange="$folder/exchange"
pcdata="$folder/pc"
logbook="$folder/logbook.csv"
runs_file="$folder/runs"
run=$(( $(cat "$runs_file" 2>/dev/null || echo 0) + 1 ))

# One flight as the handheld stores it: 50 texts in the order of the field
# numbers sorted as text (1, 10, 11, 12, 13..19, 2, 20..29, 3, ...).
# Arguments: date type registration from to off-block on-block total landings pic-name remarks
flight_record() {
  printf 'record text "%s"\n  text "%s"\n  text "%s"\n  text "%s"\n  zeros 7\n' "$1" "${10}" "$9" "${11}"
  printf '  text "%s"\n  zeros 10\n  text "%s"\n  zeros 10\n  text "%s"\n  zeros 10\n' "$2" "$3" "$4"
  printf '  text "%s"\n  zeros 1\n  text "%s"\n  text "%s"\n  text "%s"\n  text "%s"\n' "$5" "$6" "$7" "$8" "$8"
}

summaries() {
  "$pdbtool" summary "$handheld"/*.pdb | sed 's/^[^:]*: /    /'
}

# The handheld as the pilot brings it: the sample when there is none yet,
# three new flights once the last synchronisation emptied its flights.
prepare_handheld() {
  if [ ! -d "$handheld" ]; then
    echo "-- a fresh sample handheld: 20 flights, pick lists, schema, preferences"
    mkdir -p "$handheld" "$exchange"
    for description in "$repo"/samples/handheld/CRVN_Corvane_*.txt; do
      "$pdbtool" create "$handheld/$(basename "$description" .txt).pdb" "$description"
    done
    cp -r "$repo/samples/pc" "$pcdata"
  elif [ "$(records_of "$handheld/CRVN_Corvane_db.pdb")" = 0 ]; then
    echo "-- the pilot records 3 new flights on the handheld"
    {
      printf 'name CRVN_Corvane_db\ntype DATA\ncreator CRVN\n'
      for k in 0 1 2; do
        day=$(date -u -d "2025-11-03 + $(( (run - 2) * 7 + k * 2 )) days" +%F)
        case $k in
          0) flight_record "$day" C172 D-EABC EDDF EDFE 09:00 09:50 0:50 2 "Anna Berger" "Evening circuits" ;;
          1) flight_record "$day" PA28 D-EFGH EDFE EDDS 10:15 11:35 1:20 1 "Anna Berger" "Cross-country, new run $run" ;;
          2) flight_record "$day" DR40 D-ESTU EDDS EDDF 14:30 15:45 1:15 1 "Jonas Keller" "Return flight" ;;
        esac
      done
    } > "$folder/new-flights.txt"
    "$pdbtool" create "$handheld/CRVN_Corvane_db.pdb" "$folder/new-flights.txt"
  else
    echo "-- the handheld still holds flights of an unfinished synchronisation; syncing them"
  fi
}

# corvane-pc with the handheld as hotsync reaches it (its option and value);
# with a live handheld, corvane-handheld serves it meanwhile.
corvane_pc() {
  "$bin/corvane-pc" --exchange "$exchange" "$@" --logbook "$logbook" --data "$pcdata" \
    --timeout "${CORVANE_DEMO_TIMEOUT:-300}"
}

# One synchronisation over a live handheld: "netsync" or "serial".
synchronise_live() {
  local how="$1" stats="$folder/wire-$run.txt" out="$folder/handheld-$run.txt" status=0
  rm -f "$stats" "$out"
  start_handheld "$how" "$out" "$bin/corvane-handheld" --folder "$handheld" --stats "$stats" \
    --timeout "${CORVANE_DEMO_TIMEOUT:-300}" || return 1
  if [ "$how" = netsync ]; then
    echo "-- synchronising over the network (NetSync on $handheld_at), $window"
  else
    echo "-- synchronising over a serial line ($handheld_at, the handheld's end of a pseudo-terminal), $window"
  fi
  corvane_pc "${handheld_link[@]}" || status=$?
  local handheld_status=0
  wait "$handheld_pid" || handheld_status=$?
  [ "$status" -ne 0 ] || status=$handheld_status
  if [ -f "$stats" ]; then
    echo "-- on the wire: $(sed -n 's/^requests=//p' "$stats") DLP requests," \
      "$(sed -n 's/^bytes_out=//p' "$stats") bytes to the desktop," \
      "$(sed -n 's/^bytes_in=//p' "$stats") bytes from it;" \
      "the handheld's HotSync log: \"$(sed -n 's/^log=//p' "$stats")\""
  fi
  return "$status"
}

# One synchronisation, with what it moved.
synchronise() {
  echo "== Corvane demonstration, synchronisation $run in $folder"
  prepare_handheld
  echo "$run" > "$runs_file"
  local before status=0
  before=$(rows "$logbook")
  echo "-- the handheld before:"
  summaries
  if [ $# -gt 0 ]; then
    synchronise_live "$1" || status=$?
  else
    echo "-- synchronising, $window"
    corvane_pc --handheld "$handheld" || status=$?
  fi
  echo "-- the handheld after:"
  summaries
  echo "-- what moved:"
  echo "    logbook $logbook: $before flights before, $(rows "$logbook") now"
  for f in acreg_actype airport PERSON simulator; do
    [ -f "$exchange/$f.txt" ] && echo "    $f.txt: $(grep -c . "$exchange/$f.txt") entries sent to the handheld"
  done
  [ -d "$exchange/Reports" ] && echo "    reports sent: $(cd "$exchange/Reports" && ls | tr '\n' ' ')"
  echo "    settings: $XDG_CONFIG_HOME/Veltrane-soft/Corvane.conf"
  echo "    conduit log: $bin/palmSynclog.txt (copy: $exchange/palmSynclog.txt)"
  if [ "$status" -ne 0 ]; then
    echo "== synchronisation FAILED (status $status)" >&2
    exit "$status"
  fi
  echo "== synchronisation $run complete."
}

if $live; then
  synchronise netsync
  run=$(( run + 1 ))
  synchronise serial
  echo "== Run 'scripts/demo.sh --live $folder' again to sync 3 new flights twice more."
else
  synchronise
  echo "== Run 'scripts/demo.sh $folder' again to sync 3 new flights."
fi
