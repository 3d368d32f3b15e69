#!/usr/bin/env bash
# Runs a command (a Windows test program under wine) on a virtual X display of its own: starts
# Xvfb on a free display number, runs the command in a wine prefix kept for displayed tests, and
# stops that prefix's wine server and the display afterwards, whatever the command did. The
# prefix draws window frames itself (there is no window manager) and finds wine's own fonts
# (Debian's fonts-wine) when they are installed. Exits with the command's status.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${OLVANE_WINE_DISPLAY_PREFIX:-$here/build-win32/wineprefix-display}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win32
mkdir -p "$WINEPREFIX"
exec 8>"$WINEPREFIX.lock"
flock 8

work=$(mktemp -d)
xvfb=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/display" ] || { echo "win32_display.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '\n' <"$work/display")"

if [ -d /usr/share/wine/fonts ]; then
  cat >"$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>/usr/share/wine/fonts</dir>
</fontconfig>
CONF
  export FONTCONFIG_FILE="$work/fonts.conf"
fi

if [ ! -f "$WINEPREFIX/.olvane-display" ]; then
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.olvane-display"
fi

status=0
"$@" || status=$?
exit "$status"
