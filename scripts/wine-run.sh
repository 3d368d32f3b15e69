#!/usr/bin/env bash
# Runs a 32-bit Windows program under wine, with the prefix in the build tree (made on first use,
# one at a time), wine's own messages off and no runtime installers offered. CTest runs the win32
# tests through it (CMAKE_CROSSCOMPILING_EMULATOR).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build-win32/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win32
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  (flock 9; [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1; wineserver -w) \
    9>"$WINEPREFIX.lock"
fi
exec wine "$@"
