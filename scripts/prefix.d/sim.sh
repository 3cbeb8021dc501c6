# Sourced by prefix.sh up: registers the simulated audio machine's COM server in this prefix, so
# CoCreateInstance of the MMDevice enumerator and of the policy-config object reaches it, and gives
# the executables that use the simulated driver store (sim/driverstore/users.txt, written by the
# build) Wine's per-application override for the simulator's setupapi.dll. Skipped while the
# simulator is not built.
if [ -f "$QEV_BUILD/sim/qevsim.exe" ] && [ -f "$QEV_BUILD/sim/qevaudiosim.dll" ]; then
  wine "$QEV_BUILD/sim/qevsim.exe" register </dev/null >/dev/null 2>&1 ||
    echo "prefix.d/sim.sh: could not register the audio simulator" >&2
  if [ -f "$QEV_BUILD/sim/driverstore/users.txt" ]; then
    # shellcheck disable=SC2046
    wine "$QEV_BUILD/sim/qevsim.exe" driver-store-for $(tr -d '\r' <"$QEV_BUILD/sim/driverstore/users.txt") \
      </dev/null >/dev/null 2>&1 || echo "prefix.d/sim.sh: could not set the driver-store overrides" >&2
  fi
fi
