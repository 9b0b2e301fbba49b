#!/usr/bin/env bash
# Kill loop: whole synchronisations through corvane-pc on a sample handheld,
# with the conduit, its hotsync launcher or both killed (kill -9) at a random
# moment; every fifth run is left alone. After every run it checks that
#   - every flight ever recorded on the handheld is on the handheld, in the
#     logbook, or waiting in the logbook's pending file (which the next run
#     takes in), and none is in the logbook twice;
#   - every .pdb of the handheld loads in Palm::PDB (libpalm-pdb-perl);
#   - after a run left alone: it completed, nothing is pending, and no
#     temporary file is left in the handheld or exchange folder;
#   - at the end: no process of the loop's executables still runs.
# It builds nothing: it takes the executables of a build folder.
#
#   scripts/kill-loop.sh BUILD_DIR [RUNS] [FOLDER] [SEED]
#
# RUNS defaults to 200, FOLDER to a new temporary folder, SEED to a random
# one (printed, so that a run can be repeated). Exit status 0 when every
# check held, 1 otherwise.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: kill-loop.sh BUILD_DIR [RUNS] [FOLDER] [SEED]}"
runs="${2:-200}"
folder="${3:-$(mktemp -d "${TMPDIR:-/tmp}/corvane-kill-loop.XXXXXX")}"
seed="${4:-$$}"
RANDOM=$seed

mkdir -p "$folder"
folder="$(cd "$folder" && pwd)"
bin="$folder/bin" handheld="$folder/handheld" exchange="$folder/exchange"
pcdata="$folder/pc" logbook="$folder/logbook.csv" issued="$folder/issued"
mkdir -p "$bin" "$handheld" "$exchange"
# The conduit keeps its log beside itself: a copy of its own here.
for p in CorvaneConduit hotsync pdbtool corvane-pc; do cp -f "$build/bin/$p" "$bin/"; done
export XDG_CONFIG_HOME="$folder/config" QT_QPA_PLATFORM=offscreen
export QT_LOGGING_RULES="default.warning=false"
. "$repo/scripts/live_lib.sh"

for description in "$repo"/samples/handheld/CRVN_Corvane_*.txt; do
  "$bin/pdbtool" create "$handheld/$(basename "$description" .txt).pdb" "$description" >/dev/null
done
cp -r "$repo/samples/pc/." "$pcdata/"
# A flight is known by its date: the sample's are all different, and each new
# flight gets a day of its own.
sed -n 's/^record text "\([0-9-]*\)".*/\1/p' "$repo/samples/handheld/CRVN_Corvane_db.txt" >"$issued"
next_day=0

live_flights() {
  records_of "$handheld/CRVN_Corvane_db.pdb"
}

# The pilot records three flights on an empty handheld, as between two
# synchronisations (a handheld that still holds flights is synced as it is).
record_flights() {
  {
    printf 'name CRVN_Corvane_db\ntype DATA\ncreator CRVN\n'
    for _ in 1 2 3; do
      day=$(date -u -d "2030-01-01 + $next_day days" +%F)
      next_day=$((next_day + 1))
      echo "$day" >>"$issued"
      printf 'record text "%s"\n  text "Kill Loop"\n  text "1"\n  text "run %s"\n  zeros 7\n' \
        "$day" "$run"
      printf '  text "C172"\n  zeros 10\n  text "D-EKLM"\n  zeros 10\n  text "EDDF"\n  zeros 10\n'
      printf '  text "EDFE"\n  zeros 1\n  text "09:00"\n  text "09:40"\n  text "0:40"\n  text "0:40"\n'
    done
  } >"$folder/new-flights.txt"
  "$bin/pdbtool" create "$handheld/CRVN_Corvane_db.pdb" "$folder/new-flights.txt" >/dev/null
}

temporaries() {
  find "$handheld" "$exchange" -maxdepth 1 -name '.*.tmp-??????' | sort
}

declare -A at_stage=() lost=() twice=()
kills_conduit=0 kills_launcher=0 kills_both=0 kills_missed=0 left_alone=0
unreadable=0 failed_alone=0 leftover=0
for ((run = 1; run <= runs; run++)); do
  [ "$(live_flights)" = 0 ] && record_flights
  "$bin/corvane-pc" --exchange "$exchange" --handheld "$handheld" --logbook "$logbook" \
    --data "$pcdata" --timeout 30 >"$folder/run.log" 2>&1 &
  pc=$!
  kind=alone
  if ((run % 5 == 0)); then
    left_alone=$((left_alone + 1))
  else
    # A whole synchronisation takes under a second: the moment falls anywhere in it.
    sleep "$(printf '0.%03d' $((RANDOM % 800)))"
    kind=$((RANDOM % 3))
    launcher=$(pgrep -P "$pc" || true)
    conduit=""
    [ -n "$launcher" ] && conduit=$(pgrep -P "$launcher" || true)
    case $kind in
      0) kind=conduit targets="$conduit" ;;
      1) kind=launcher targets="$launcher" ;;
      *) kind=both targets="" && [ -n "$conduit" ] && targets="$conduit $launcher" ;;
    esac
    stage=$(cat "$exchange/status.flag" 2>/dev/null || true)
    # shellcheck disable=SC2086  # one or two process ids
    if [ -n "$targets" ] && kill -9 $targets 2>/dev/null; then
      case $kind in
        conduit) kills_conduit=$((kills_conduit + 1)) ;;
        launcher) kills_launcher=$((kills_launcher + 1)) ;;
        both) kills_both=$((kills_both + 1)) ;;
      esac
      at_stage[${stage:-none}]=$((${at_stage[${stage:-none}]:-0} + 1))
    else
      kills_missed=$((kills_missed + 1)) kind="$kind (missed)"
    fi
  fi
  status=0
  wait "$pc" || status=$?

  on_handheld=$("$bin/pdbtool" dump "$handheld/CRVN_Corvane_db.pdb" | sed -n 's/^    texts "\([0-9-]*\)".*/\1/p')
  while read -r day; do
    in_book=$(grep -c "^$day," "$logbook" 2>/dev/null || true)
    pending=$(grep -c "^$day," "$logbook.pending" 2>/dev/null || true)
    in_book=${in_book:-0} pending=${pending:-0}
    if [ "$in_book" -gt 1 ] && [ -z "${twice[$day]:-}" ]; then
      twice[$day]=$run
      echo "run $run ($kind): the flight of $day is in the logbook $in_book times"
    fi
    if [ "$in_book" = 0 ] && [ "$pending" = 0 ] && ! grep -qx "$day" <<<"$on_handheld" &&
      [ -z "${lost[$day]:-}" ]; then
      lost[$day]=$run
      echo "run $run ($kind): the flight of $day is LOST"
    fi
  done <"$issued"
  for pdb in "$handheld"/*.pdb; do
    if ! perl "$repo/tests/handheld/pdb_interop.pl" "$pdb" >/dev/null 2>&1; then
      unreadable=$((unreadable + 1))
      echo "run $run ($kind): Palm::PDB cannot read $pdb"
    fi
  done
  if [ "$kind" = alone ]; then
    if [ "$status" != 0 ] || [ -e "$logbook.pending" ]; then
      failed_alone=$((failed_alone + 1))
      echo "run $run (alone): status $status$([ -e "$logbook.pending" ] && echo ', flights pending')"
      sed 's/^/    /' "$folder/run.log"
    fi
    if [ -n "$(temporaries)" ]; then
      leftover=$((leftover + 1))
      echo "run $run (alone): temporary files left: $(temporaries | tr '\n' ' ')"
    fi
  fi
  ((run % 20 == 0)) && echo "... $run runs"
done

# A conduit that outlived its run would go on touching the handheld.
survivors=0
for p in /proc/[0-9]*; do
  case "$(readlink "$p/exe" 2>/dev/null)" in "$bin"/*) survivors=$((survivors + 1)) ;; esac
done
flights=$(wc -l <"$issued")
in_logbook=$(($(wc -l <"$logbook") - 1))
stages=""
for s in "${!at_stage[@]}"; do stages+="${stages:+, }'$s' ${at_stage[$s]}"; done
cat <<EOF
kill loop in $folder (seed $seed)
  runs: $runs ($left_alone left alone)
  kills (kill -9): conduit $kills_conduit, launcher $kills_launcher, both $kills_both; $kills_missed found nothing to kill
  status.flag at the kills: $stages
  flights issued: $flights; in the logbook: $in_logbook; still on the handheld: $(live_flights)
  flights lost: ${#lost[@]}; in the logbook twice: ${#twice[@]}
  unreadable .pdb files: $unreadable; runs left alone that failed: $failed_alone; with temporary files left: $leftover
  processes of the loop still running: $survivors
EOF
[ $((${#lost[@]} + ${#twice[@]} + unreadable + failed_alone + leftover + survivors)) = 0 ]
