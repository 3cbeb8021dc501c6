#!/usr/bin/env bash
# Loads a simulated audio machine (sim/machines/<name>.reg) into the current Wine prefix:
#   scripts/sim-machine.sh default        laptop on Windows 11
#   scripts/sim-machine.sh default-win10  the same laptop on Windows 10
# The prefix must be up (scripts/prefix.sh up) and the simulator built.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/env.sh"
name=${1:-default}
file="$QEV_ROOT/sim/machines/$name.reg"
tool="$QEV_BUILD/sim/qevsim.exe"
[ -f "$file" ] || { echo "sim-machine.sh: no machine \"$name\" ($file)" >&2; exit 2; }
[ -f "$tool" ] || { echo "sim-machine.sh: $tool is not built" >&2; exit 1; }
source "$here/prefix.d/sim.sh"
wine "$tool" load "Z:${file//\//\\}" </dev/null
