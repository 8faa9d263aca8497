#!/bin/sh
# Runs one Windows program under the project's Wine prefix (set up by ./dk).
: "${WINEPREFIX:?run through ./dk, which sets up the Wine prefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
exec /usr/lib/wine/wine64 "$@"
