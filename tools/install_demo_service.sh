#!/usr/bin/env bash
# Installs the stand-in service under NAME in a Wine prefix and starts it.
#
#   WINEPREFIX=DIR tools/install_demo_service.sh NAME [DISPLAYNAME] [-- STAND-IN OPTIONS...]
#
# Needs the MinGW build (build/mingw). Services live only as long as the prefix's
# wineserver: this script waits for a running one to exit, then starts a persistent
# one (stop it with `WINEPREFIX=DIR wineserver -k`). A prefix that does not exist yet
# is made first.
set -euo pipefail

: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix to use}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
name=${1:?usage: install_demo_service.sh NAME [DISPLAYNAME] [-- OPTIONS...]}
shift
display=$name
if [ $# -gt 0 ] && [ "$1" != "--" ]; then
  display=$1
  shift
fi
[ "${1:-}" = "--" ] && shift

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tools=$root/build/mingw/tools
[ -f "$tools/svctool.exe" ] && [ -f "$tools/standin_service.exe" ] || {
  echo "build the Windows programs first: cmake --preset mingw && cmake --build --preset mingw" >&2
  exit 1
}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # Wine's own services of a new prefix inherit standard output: keep it away from pipes.
  wineboot --init >/dev/null 2>&1 </dev/null
fi
wineserver -w
wineserver -p

svctool() { wine "$tools/svctool.exe" "$@" </dev/null; }
# Wine maps the Unix root to drive Z:.
standin=Z:${tools//\//\\}\\standin_service.exe
# The first program after the server's start launches Wine's own services, which
# keep its standard output open: its output is not captured.
svctool install "$name" "$display" demand "$standin" "$@"
echo "state after start: $(svctool start "$name")"
