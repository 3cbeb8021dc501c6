#!/usr/bin/env bash
# Runs a Windows executable in the project's Wine prefix (used by CTest as the cross-compiling emulator).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"
exec wine "$@"
