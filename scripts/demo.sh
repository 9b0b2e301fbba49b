#!/usr/bin/env bash
# The main job, shown on a sample handheld: installs what is missing, builds
# the four programs, installs them into FOLDER/bin and runs one whole
# synchronisation with corvane-pc playing the Corvane PC application. Run again on the same FOLDER, it first
# records three new flights on the handheld, as a pilot would between two
# synchronisations, and syncs again.
#
#   scripts/demo.sh [FOLDER]      (default: a new temporary folder)
#
# CORVANE_DEMO_BIN=DIR skips installing, building and installing and takes
# the executables from DIR (used by the tests).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
folder="${1:-$(mktemp -d "${TMPDIR:-/tmp}/corvane-demo.XXXXXX")}"
mkdir -p "$folder"
folder="$(cd "$folder" && pwd)"
bin="$folder/bin"

# --- the four programs, installed into FOLDER (a portable install: the log stays beside them)
if [ -n "${CORVANE_DEMO_BIN:-}" ]; then
  mkdir -p "$bin"
  for p in CorvaneConduit hotsync pdbtool corvane-pc; do cp -f "$CORVANE_DEMO_BIN/$p" "$bin/"; done
else
  cd "$repo"
  scripts/install-deps.sh --program
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF
  # Only what the demonstration runs: the tests and benchmarks are scripts/test.sh's business.
  cmake --build build -j2 --target CorvaneConduit hotsync pdbtool corvane-pc
  cmake --install build --prefix "$folder"
fi
pdbtool="$bin/pdbtool"

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

records_of() {
  "$pdbtool" summary "$handheld/$1.pdb" | sed -E 's/.*  ([0-9]+) records?  .*/\1/'
}

echo "== Corvane demonstration, synchronisation $run in $folder"
if [ ! -d "$handheld" ]; then
  echo "-- a fresh sample handheld: 20 flights, pick lists, schema, preferences"
  mkdir -p "$handheld" "$exchange"
  for description in "$repo"/samples/handheld/CRVN_Corvane_*.txt; do
    "$pdbtool" create "$handheld/$(basename "$description" .txt).pdb" "$description"
  done
  cp -r "$repo/samples/pc" "$pcdata"
elif [ "$(records_of CRVN_Corvane_db)" = 0 ]; then
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
echo "$run" > "$runs_file"

flights_in_logbook() {
  if [ -f "$logbook" ]; then echo $(( $(wc -l < "$logbook") - 1 )); else echo 0; fi
}
before=$(flights_in_logbook)
echo "-- the handheld before:"
summaries
echo "-- synchronising, $window"
status=0
"$bin/corvane-pc" --exchange "$exchange" --handheld "$handheld" --logbook "$logbook" \
  --data "$pcdata" --timeout "${CORVANE_DEMO_TIMEOUT:-300}" || status=$?
echo "-- the handheld after:"
summaries
echo "-- what moved:"
echo "    logbook $logbook: $before flights before, $(flights_in_logbook) now"
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
echo "== synchronisation $run complete. Run 'scripts/demo.sh $folder' again to sync 3 new flights."
