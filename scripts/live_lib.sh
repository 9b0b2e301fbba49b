# shellcheck shell=bash
# What the scripts that run whole synchronisations share (sourced, not run):
# counting records and rows, and starting corvane-handheld, the simulated
# handheld, on a link the desktop then takes.
#
# Needs: bin (the folder of the programs; pdbtool for records_of).

# The records of a .pdb file.
records_of() {
  "$bin/pdbtool" summary "$1" | sed -E 's/.*  ([0-9]+) records?  .*/\1/'
}

# The lines of a CSV file less its header; 0 when it is missing.
rows() {
  if [ -f "$1" ]; then echo $(( $(wc -l < "$1") - 1 )); else echo 0; fi
}

# A port nothing listens on, for a network synchronisation.
free_port() {
  local port
  for port in $(shuf -i 20000-60000 -n 50); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then echo "$port"; return; fi
  done
  echo 14238
}

# start_handheld STACK OUT COMMAND...: runs COMMAND (corvane-handheld and its
# options, behind whatever runs it) in the background on a link of STACK,
# netsync or serial, its output going to OUT. Sets handheld_pid,
# handheld_link (the desktop's options: --listen or --serial and its value)
# and handheld_at (the address or the pseudo-terminal). A handheld that names
# no pseudo-terminal within 30 s is ended, its output shown, and 1 returned.
start_handheld() {
  local stack=$1 out=$2
  shift 2
  if [ "$stack" = netsync ]; then
    handheld_at="127.0.0.1:$(free_port)"
    "$@" --netsync "$handheld_at" >"$out" 2>&1 &
    handheld_pid=$!
    handheld_link=(--listen "$handheld_at")
    return 0
  fi
  "$@" --serial-pty >"$out" 2>&1 &
  handheld_pid=$!
  handheld_at=""
  local _ alive=true
  for _ in $(seq 600); do
    # Asked first: a handheld that ended after naming it is still read.
    kill -0 "$handheld_pid" 2>/dev/null || alive=false
    handheld_at=$(sed -n 's/^tty: //p' "$out" 2>/dev/null || true)
    if [ -n "$handheld_at" ] || ! $alive; then break; fi
    sleep 0.05
  done
  if [ -z "$handheld_at" ]; then
    echo "corvane-handheld named no pseudo-terminal:" >&2
    sed 's/^/    /' "$out" >&2
    # Its process group when COMMAND began with setsid, else itself.
    kill -- "-$handheld_pid" 2>/dev/null || kill "$handheld_pid" 2>/dev/null || true
    wait "$handheld_pid" 2>/dev/null || true
    return 1
  fi
  # shellcheck disable=SC2034  # for the caller
  handheld_link=(--serial "$handheld_at")
}
