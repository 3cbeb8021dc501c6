# Sourced by the other scripts: where the build tree and the project's Wine prefix live.
QEV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
: "${QEV_BUILD:=$QEV_ROOT/build}"
: "${WINEPREFIX:=$QEV_BUILD/wineprefix}"
export QEV_ROOT QEV_BUILD WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# No Mono/Gecko installers, no desktop menu entries.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml,winemenubuilder.exe="}
