#!/usr/bin/env bash
# Opens one of the programs under Wine (called by `./dev run PROGRAM`).
#
#   tools/run_program.sh PROGRAM EXE [PERCENT]
#
# PERCENT (default 100) is the display scaling the program starts at: Wine's
# LogPixels, 96 DPI times PERCENT/100, set in the prefix before the program
# starts. The screenshot of another scale than 100% is build/PROGRAM-PERCENT.png.
#
# With TRAY_MENU=1 (Quenby, headless): the window is minimised to the
# notification area and the icon right-clicked, and the screenshot
# build/quenby-tray-menu.png shows the icon's menu.
#
# With a DISPLAY: runs EXE in the persistent prefix build/wine-run (made from
# the harness's template when missing) until the program ends.
# Without one: starts an own Xvfb, runs EXE, waits until its window is up,
# saves a screenshot as build/PROGRAM.png, and stops everything it started.
set -uo pipefail

program=${1:?usage: tools/run_program.sh PROGRAM EXE}
exe=${2:?usage: tools/run_program.sh PROGRAM EXE}
scale=${3:-100}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
HARNESS=$ROOT/tests/wine/harness.sh
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# Quenby shows the services registered for it: install and register the demo's
# stand-in services first (again on every run, so the demo starts the same way).
prepare_demo() {
  [ "$program" = quenby ] || return 0
  echo "== installing the demo services"
  "$ROOT/tools/quenby_demo.sh"
}

# The DPI that the programs started next see (the prefix keeps it).
set_scale() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $(((96 * scale + 50) / 100)) /f \
    >/dev/null 2>&1 </dev/null
}

if [ -n "${DISPLAY:-}" ]; then
  prefix=$ROOT/build/wine-run
  if [ ! -d "$prefix/drive_c" ]; then
    # Made beside and moved into place, so an interrupted set-up is never taken as done.
    echo "== making the Wine prefix $prefix"
    rm -rf "$prefix" "$prefix.new"
    "$HARNESS" template "$prefix.new" || exit 1
    mv "$prefix.new" "$prefix"
  fi
  export WINEPREFIX=$prefix
  wineserver -p
  set_scale && prepare_demo || { wineserver -k >/dev/null 2>&1; exit 1; }
  wine "$exe" >/dev/null 2>&1 </dev/null
  rc=$?
  wineserver -k >/dev/null 2>&1
  exit $rc
fi

# Headless: an own Xvfb and a throw-away prefix, all stopped on every way out.
work=$(mktemp -d /tmp/run_program.XXXXXX)
xvfb_pid=
cleanup() {
  [ -d "$work/prefix" ] && WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

DISPLAY=$("$HARNESS" xvfb "$work/xvfb.pid") || exit 1
export DISPLAY
xvfb_pid=$(cat "$work/xvfb.pid")
echo "== no display: running $program on Xvfb $DISPLAY"
"$HARNESS" template "$work/prefix" || exit 1
export WINEPREFIX=$work/prefix
wineserver -p
set_scale && prepare_demo || exit 1
wine "$exe" >"$work/out.log" 2>&1 </dev/null &

# Wait for the program's window: a top-level window of the program's class.
up=0
for _ in $(seq 60); do
  if xwininfo -root -tree 2>/dev/null | grep -q -e "TFTP Service Configuration" -e '"Quenby'; then
    up=1
    break
  fi
  sleep 0.25
done
sleep 1.5  # let it paint
shot=$ROOT/build/$program.png
[ "$scale" = 100 ] || shot=$ROOT/build/$program-$scale.png
if [ "${TRAY_MENU:-}" = 1 ]; then
  # Minimised through the system menu (Alt+Space, n), then a right click on the
  # only icon, at the right end of the virtual desktop's task bar.
  read -r width height < <(xwininfo -root -tree | sed -n 's/.*"Default - Wine desktop".* \([0-9]*\)x\([0-9]*\)+0+0.*/\1 \2/p' | head -1)
  xdotool key alt+space && sleep 0.5 && xdotool key n && sleep 1.5
  xdotool mousemove $((${width:-1024} - 11)) $((${height:-768} - 10)) click 3 && sleep 1.5
  shot=$ROOT/build/$program-tray-menu.png
fi
mkdir -p "$(dirname "$shot")"
if import -window root -display "$DISPLAY" "$shot" 2>/dev/null; then
  # The desktop is larger than the window: keep the part that shows it.
  if command -v convert >/dev/null; then convert "$shot" -trim +repage -fuzz 3% -trim +repage "$shot" 2>/dev/null; fi
  # The menu and the icon it belongs to, at the desktop's lower right corner.
  if [ "${TRAY_MENU:-}" = 1 ] && command -v convert >/dev/null; then
    convert "$shot" -gravity SouthEast -crop 320x170+0+0 +repage "$shot" 2>/dev/null
  fi
  echo "== screenshot: $shot"
else
  echo "run_program: screenshot failed" >&2
fi
[ "$up" = 1 ] || echo "run_program: the window did not appear (see $work/out.log)" >&2
[ "$up" = 1 ]
