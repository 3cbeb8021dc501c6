#!/usr/bin/env bash
# Manages the project's own Wine prefix: `prefix.sh up` creates it if needed and starts a persistent
# wineserver with Wine's background services; `prefix.sh down` stops it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

quiet() { "$@" </dev/null >/dev/null 2>&1; }

create() {
  mkdir -p "$WINEPREFIX"
  quiet wineboot -i || true
  quiet wineserver -w || true
  # Headless windows need the null graphics driver.
  quiet wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f
  # The product runs on Windows 10/11; a new prefix presents Windows 7.
  quiet wine winecfg -v win10
  quiet wineserver -w || true
  touch "$WINEPREFIX/.qev-ready"
}

up() {
  [ -f "$WINEPREFIX/.qev-ready" ] || create
  # Persistent server and services started with detached streams so no test inherits them.
  quiet wineserver -p || true  # already running is fine
  quiet wine cmd /c exit
  # No automatic crash debugger: winedbg --auto never returns here, so a crashing test would hang
  # until ctest's time-out. With an empty AeDebug "Debugger" a crash ends the process at once with
  # Wine's "Unhandled ..." line on standard error and the exception code as exit status.
  quiet wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d "" /f
  for hook in "$QEV_ROOT"/scripts/prefix.d/*.sh; do
    [ -e "$hook" ] && source "$hook"
  done
  return 0
}

down() {
  quiet wineserver -k || true
}

case "${1:-}" in
  up) up ;;
  down) down ;;
  reset) down; rm -rf "$WINEPREFIX"; up ;;
  *) echo "usage: $0 up|down|reset" >&2; exit 2 ;;
esac
