#!/usr/bin/env bash
# Runs a Windows program under Wine for the tests of the Windows build: a 64-bit prefix (win32
# with QUILLMAR_WINEARCH=win32, for the i686 build) in $QUILLMAR_WINEPREFIX (scripts/test.sh
# makes a fresh one per run), or else one kept in /tmp for the user; Wine's own chatter is off.
# Arguments: [--display] [--lf] the program and its arguments. Programs run without an X display
# unless --display keeps $DISPLAY (tests of real windows); --lf takes the CR off the program's
# CRLF line ends on standard output.
set -euo pipefail
export WINEARCH=${QUILLMAR_WINEARCH:-win64}
export WINEPREFIX=${QUILLMAR_WINEPREFIX:-/tmp/quillmar-wine-$(id -u)-$WINEARCH}
display=
if [ "${1:-}" = --display ]; then
  shift
  display=${DISPLAY:-}
  # A prefix of its own: Wine's desktop process, started by the first program of a prefix,
  # keeps the display (or the lack of one) it was started with for every program after it.
  export WINEPREFIX=$WINEPREFIX-display
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=$display
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # Tests may start together: one of them makes the prefix, the others wait for it.
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then wineboot -i >/dev/null 2>&1 || true; fi
  ) 9>"$WINEPREFIX.lock"
fi
if [ "${1:-}" = --lf ]; then
  shift
  wine "$@" | tr -d '\r'
  exit "${PIPESTATUS[0]}"
fi
exec wine "$@"
