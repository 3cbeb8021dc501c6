# Sourced by prefix.sh up (and sim-machine.sh): registers the simulated audio machine's COM server
# in this prefix, so CoCreateInstance of the MMDevice enumerator and of the policy-config object
# reaches it, and gives the executables that use a stand-in system DLL Wine's per-application
# override for it: sim/driverstore/users.txt (setupapi.dll) and sim/compression/users.txt
# (cabinet.dll), both written by the build; installs and starts the stand-in "Audiosrv" service.
# Skipped while the simulator is not built.
if [ -f "$QEV_BUILD/sim/qevsim.exe" ] && [ -f "$QEV_BUILD/sim/qevaudiosim.dll" ]; then
  wine "$QEV_BUILD/sim/qevsim.exe" register </dev/null >/dev/null 2>&1 ||
    echo "prefix.d/sim.sh: could not register the audio simulator" >&2
  # The stand-in Windows audio service, running (and set to start with the prefix's services).
  wine "$QEV_BUILD/sim/qevsim.exe" service-install </dev/null >/dev/null 2>&1 ||
    echo "prefix.d/sim.sh: could not install the Audiosrv service" >&2
  for stand_in in driverstore:driver-store-for compression:compression-for; do
    users="$QEV_BUILD/sim/${stand_in%%:*}/users.txt"
    [ -f "$users" ] || continue
    # shellcheck disable=SC2046
    wine "$QEV_BUILD/sim/qevsim.exe" "${stand_in#*:}" $(tr -d '\r' <"$users") \
      </dev/null >/dev/null 2>&1 || echo "prefix.d/sim.sh: could not set the ${stand_in%%:*} overrides" >&2
  done
fi
