# Sourced by prefix.sh up: registers the simulated audio machine's COM server in this prefix, so
# CoCreateInstance of the MMDevice enumerator and of the policy-config object reaches it. Skipped
# while the simulator is not built.
if [ -f "$QEV_BUILD/sim/qevsim.exe" ] && [ -f "$QEV_BUILD/sim/qevaudiosim.dll" ]; then
  wine "$QEV_BUILD/sim/qevsim.exe" register </dev/null >/dev/null 2>&1 ||
    echo "prefix.d/sim.sh: could not register the audio simulator" >&2
fi
