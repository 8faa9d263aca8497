#!/bin/sh
# Runs one Windows program under the project's Wine prefix (set up by ./dk). A GoogleTest
# program that ends before its tests finished (an early exit(0) included) fails here.
: "${WINEPREFIX:?run through ./dk, which sets up the Wine prefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
marker=$(mktemp -u "${TMPDIR:-/tmp}/dk-exit.XXXXXX")
export TEST_PREMATURE_EXIT_FILE="$marker"
/usr/lib/wine/wine64 "$@"
rc=$?
if [ -e "$marker" ]; then
    rm -f "$marker"
    echo "wine-run: $1 ended before its tests finished (exit code $rc)" >&2
    [ "$rc" -eq 0 ] && rc=1
fi
exit "$rc"
