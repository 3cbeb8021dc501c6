#!/usr/bin/env bash
# Builds and runs both roles of the server on the simulated machine in the foreground (the RPC
# server with the given arguments, and the session monitor), streaming their debug log through
# qevlog. Ctrl-C stops both, the viewer and the Wine prefix.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"
"$here/install-deps.sh"
# Only what running needs; the test command builds the rest.
"$here/build.sh" --target qEvSwServer qevlog qevctl qevsim qevaudiosim qevsim_stand_ins_for_server
"$here/prefix.sh" up
pids=()
cleanup() {
  trap - INT TERM EXIT
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  "$here/prefix.sh" down
}
trap cleanup INT TERM EXIT
[ -x "$here/sim-machine.sh" ] && "$here/sim-machine.sh" default
wine "$QEV_BUILD/tools/qevlog.exe" </dev/null &
pids+=($!)
sleep 1
wine "$QEV_BUILD/src/app/qEvSwServer.exe" "$@" </dev/null &
pids+=($!)
wine "$QEV_BUILD/src/app/qEvSwServer.exe" --server=session_monitor </dev/null &
pids+=($!)
# Either role ending ends the run.
wait -n "${pids[1]}" "${pids[2]}" || true
