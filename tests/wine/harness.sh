#!/usr/bin/env bash
# Wine harness for the tests and for `./dev run`.
#
#   harness.sh template DIR        make a quiet template prefix in DIR
#   harness.sh xvfb PIDFILE        start an own Xvfb on a free display; prints the display (":N")
#   harness.sh run EXE [ARGS...]   run a Windows test program in its own copy of $WINE_TEMPLATE,
#                                  on its own Xvfb, with a persistent wineserver; all of them
#                                  are stopped on every way out
#
# `run` needs WINE_TEMPLATE (a prefix made by `template`); the copies of the prefix go below
# WINE_RUN_DIR (default: beside the template). Each run has a display of its own: tests that
# run side by side must not take the keyboard focus from each other.
set -uo pipefail

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# The locale also pins the programs' ANSI code page to 1252 (GetACP), which the
# tests' 8-bit texts are written in: Wine 8 takes the code page from the Unix
# locale, and ignores the Nls\CodePage values of the prefix's registry.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

make_template() {
  local dir=$1
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  # A fresh prefix starts Wine's own services, which inherit standard output:
  # keep their output away from any pipe of ours.
  WINEPREFIX=$dir wineboot --init >/dev/null 2>&1 </dev/null
  WINEPREFIX=$dir wineserver -w
  local reg
  reg=$(mktemp --suffix=.reg)
  # Default virtual desktop (message boxes close at once, minimise is visible),
  # no crash dialog (a crash must fail a test, not hang it).
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1024x768"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' >"$reg"
  WINEPREFIX=$dir wine regedit /S "$(WINEPREFIX=$dir winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1 </dev/null
  WINEPREFIX=$dir wineserver -w
  rm -f "$reg"
  local fonts=$dir/drive_c/windows/Fonts
  mkdir -p "$fonts"
  [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  WINEPREFIX=$dir wine reg query 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog >/dev/null 2>&1 </dev/null || {
    echo "harness: template prefix settings were not written" >&2
    return 1
  }
  WINEPREFIX=$dir wineserver -w
}

start_xvfb() {
  local pidfile=$1 fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 </dev/null &
  echo $! >"$pidfile"
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  local n
  n=$(tr -dc '0-9' <"$fdfile")
  rm -f "$fdfile"
  [ -n "$n" ] || { echo "harness: Xvfb did not start" >&2; return 1; }
  echo ":$n"
}

run_test() {
  local exe=$1
  shift
  : "${WINE_TEMPLATE:?WINE_TEMPLATE must name a template prefix (see ./dev test)}"
  local base=${WINE_RUN_DIR:-$(dirname "$WINE_TEMPLATE")/runs}
  mkdir -p "$base"
  local work
  work=$(mktemp -d "$base/t.XXXXXX")
  local prefix=$work/prefix
  stop() {
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    [ -s "$work/xvfb.pid" ] && kill "$(cat "$work/xvfb.pid")" 2>/dev/null
    rm -rf "$work"
  }
  trap 'stop; exit 130' INT TERM
  DISPLAY=$(start_xvfb "$work/xvfb.pid") || { stop; return 1; }
  export DISPLAY
  cp -a "$WINE_TEMPLATE" "$prefix"
  export WINEPREFIX=$prefix
  # A persistent server keeps installed services alive between the programs of one test.
  wineserver -p
  # The program's output goes to a file: Wine's own services, started with the
  # first program, inherit it and would keep a pipe open.
  wine "$exe" "$@" >"$work/out.log" 2>&1 </dev/null
  local rc=$?
  tr -d '\r' <"$work/out.log"
  stop
  trap - INT TERM
  return $rc
}

cmd=${1:-}
shift || true
case "$cmd" in
  template) make_template "$@" ;;
  xvfb) start_xvfb "$@" ;;
  run) run_test "$@" ;;
  *) echo "usage: $0 template DIR | xvfb PIDFILE | run EXE [ARGS...]" >&2; exit 2 ;;
esac
