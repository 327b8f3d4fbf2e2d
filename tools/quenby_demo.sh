#!/usr/bin/env bash
# Prepares a Wine prefix for a Quenby demonstration: installs three stand-in
# services with different behaviours and registers them for Quenby under
# HKLM "SOFTWARE\Corvanti\Quenby\Services" in the 32-bit view, where the
# product's 32-bit installer registers them (plus one registered name that no
# service bears, which Quenby leaves out of its list).
#
#   WINEPREFIX=DIR tools/quenby_demo.sh [TOOLS_DIR]
#
#   QuenbyAlpha  "Alpha Agent"  running, on demand; stops in 3 s, pauses in 2 s
#   QuenbyBeta   "Beta Agent"   stopped, automatic start; starts in 2 s in 4 steps
#   QuenbyGamma  "Gamma Agent"  stopped, on demand; a start that ends stopped
#
# TOOLS_DIR holds svctool.exe and standin_service.exe (default: build/mingw/tools).
# The prefix needs a running persistent wineserver (`wineserver -p`), which keeps
# the services alive; this script starts one when none runs.
set -euo pipefail

: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix to use}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tools=$(cd "${1:-$root/build/mingw/tools}" && pwd)
[ -f "$tools/svctool.exe" ] && [ -f "$tools/standin_service.exe" ] || {
  echo "quenby_demo: svctool.exe and standin_service.exe not found in $tools" >&2
  exit 1
}

# A persistent server: services live only as long as the prefix's wineserver.
wineserver -p 2>/dev/null || true

# Program output goes to files: Wine's own services, launched by the first
# program of a server, inherit it and would hold a pipe open.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
svctool() { wine "$tools/svctool.exe" "$@" >"$log" 2>&1 </dev/null; }
standin='Z:'${tools//\//\\}'\standin_service.exe'

install() {  # NAME DISPLAYNAME START-TYPE OPTIONS...
  local name=$1
  svctool delete "$name" || true
  svctool install "$@" || { cat "$log" >&2; return 1; }
}

install QuenbyAlpha "Alpha Agent" demand "$standin" \
  --start-ms 1000 --start-steps 2 --stop-ms 3000 --stop-steps 3 --pause-ms 2000 --wait-hint 4000
install QuenbyBeta "Beta Agent" auto "$standin" --start-ms 2000 --start-steps 4 --wait-hint 3000
install QuenbyGamma "Gamma Agent" demand "$standin" --start-ms 1000 --start-ends-stopped

svctool start QuenbyAlpha || { cat "$log" >&2; exit 1; }

key='HKLM\SOFTWARE\Corvanti\Quenby\Services'
for name in QuenbyAlpha QuenbyBeta QuenbyGamma QuenbyNotInstalled; do
  wine reg add "$key" /v "$name" /t REG_SZ /d "" /f /reg:32 >"$log" 2>&1 </dev/null ||
    { cat "$log" >&2; exit 1; }
done
echo "quenby_demo: QuenbyAlpha running, QuenbyBeta and QuenbyGamma stopped, four names registered"
