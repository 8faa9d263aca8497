# Sourced by ./dk: the private Wine prefix, a private Xvfb display and a warm
# wineserver for the length of one command, torn down on exit.

WINE=/usr/lib/wine/wine64
export WINEPREFIX="$DK_BUILD/wineprefix"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

dk_prefix() {
    [ -f "$WINEPREFIX/.dk-ready" ] && return 0
    echo "dk: creating the Wine prefix in $WINEPREFIX" >&2
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1
    wineserver -w
    # No crash dialog; a crash must end the process with a failing exit code.
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f >/dev/null 2>&1
    # Without a window manager a managed top-level window costs 2 s in DestroyWindow.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.dk-ready"
}

DK_XVFB_PID=""
DK_KEEPER_PID=""

dk_xvfb_start() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    DK_XVFB_PID=$!
    local n
    if ! read -r -t 20 n <"$fifo"; then
        rm -f "$fifo"
        echo "dk: Xvfb did not start" >&2
        return 1
    fi
    rm -f "$fifo"
    export DISPLAY=":$n"
}

# Keeps wineserver and Wine's services warm, so that each program starts fast. The
# desktop process (started by the first window) and the COM service (started by the first
# CoInitialize) would otherwise be started by a test and inherit its output pipes, and
# CTest would wait on them until its time-out.
dk_wine_start() {
    wineserver -p
    "$WINE" wineboot >/dev/null 2>&1 || true
    # The keeper is a window nobody sees; before the first build only a plain program is at hand.
    local keeper="$DK_BUILD/bin/dk-keeper.exe"
    [ -f "$keeper" ] || keeper=notepad.exe
    setsid "$WINE" "$keeper" >/dev/null 2>&1 </dev/null &
    DK_KEEPER_PID=$!
    "$WINE" net start rpcss >/dev/null 2>&1 </dev/null || true
    local i
    for i in $(seq 50); do
        pgrep -f 'explorer.exe /desktop' >/dev/null && break
        sleep 0.1
    done
}

dk_env_stop() {
    [ -n "$DK_KEEPER_PID" ] && kill -- "-$DK_KEEPER_PID" 2>/dev/null
    wineserver -k 2>/dev/null
    [ -n "$DK_XVFB_PID" ] && kill "$DK_XVFB_PID" 2>/dev/null
    DK_KEEPER_PID=""
    DK_XVFB_PID=""
    return 0
}

# A home of the programs' own, with empty X resource files: without them Wine's X driver
# looks for ~/.Xdefaults and ~/.Xdefaults-HOST again at every resource look-up (some 1 300
# failed opens in one palette run).
dk_home() {
    export HOME="$DK_BUILD/home"
    mkdir -p "$HOME"
    [ -f "$HOME/.Xdefaults" ] || : >"$HOME/.Xdefaults"
    local host
    host=$(uname -n)
    [ -f "$HOME/.Xdefaults-$host" ] || : >"$HOME/.Xdefaults-$host"
}

dk_env_start() {
    dk_prefix
    dk_home
    trap dk_env_stop EXIT
    trap 'exit 130' INT TERM
    # DK_DISPLAY names a display of the user's to show the windows on; else a private Xvfb.
    if [ -n "${DK_DISPLAY:-}" ]; then
        export DISPLAY="$DK_DISPLAY"
    else
        dk_xvfb_start
    fi
    dk_wine_start
}
