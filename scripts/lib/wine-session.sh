# Sourced by scripts/test, scripts/demo and scripts/bench: a throwaway Wine session.
#   wine_session_start   creates a prefix, starts Xvfb and a persistent wineserver, configures the prefix
#   wine_session_stop    stops only what wine_session_start started (also run on exit)
# PELLICOR_WINEPREFIX=dir reuses (and keeps) a prefix between runs, which saves the 8 s of wineboot.

_ws_xvfb_pid=""
_ws_own_prefix=0
_ws_server_pid=""

_ws_log() { echo "wine-session: $*"; }

wine_session_start() {
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml=d"
    export WINEARCH=win64
    if [ -n "${PELLICOR_WINEPREFIX:-}" ]; then
        export WINEPREFIX="$PELLICOR_WINEPREFIX"
        mkdir -p "$WINEPREFIX"
    else
        export WINEPREFIX
        WINEPREFIX=$(mktemp -d /tmp/pellicor-wine.XXXXXX)
        _ws_own_prefix=1
    fi

    local n
    for n in $(seq 91 199); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    _ws_xvfb_pid=$!
    export DISPLAY=":$n"
    trap wine_session_stop EXIT

    wineserver -p >/dev/null 2>&1 &
    _ws_server_pid=$!

    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        _ws_log "creating prefix $WINEPREFIX (about 10 s)"
        wineboot -i >/dev/null 2>&1 || true
        # A crash must fail the test instead of waiting in winedbg; a virtual desktop closes
        # message boxes quickly.
        wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        # The desktop that wineboot started predates the settings: restart the prefix's processes
        # so that every program of the session gets the virtual desktop.
        wineserver -k >/dev/null 2>&1 || true
        wait "$_ws_server_pid" 2>/dev/null || true
        wineserver -p >/dev/null 2>&1 &
        _ws_server_pid=$!
        wineboot >/dev/null 2>&1 </dev/null || true
    else
        _ws_log "reusing prefix $WINEPREFIX"
        # Start the prefix's background services now, detached from our output: started by the
        # first test program instead, they would inherit ctest's output pipe and keep ctest waiting.
        wineboot >/dev/null 2>&1 </dev/null || true
    fi
    export PELLICOR_WINE_SESSION=1
    _ws_log "display $DISPLAY, prefix $WINEPREFIX"
}

wine_session_stop() {
    if [ -n "${WINEPREFIX:-}" ] && [ -n "$_ws_server_pid" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wait "$_ws_server_pid" 2>/dev/null || true
        _ws_server_pid=""
    fi
    if [ -n "$_ws_xvfb_pid" ]; then
        kill "$_ws_xvfb_pid" 2>/dev/null || true
        wait "$_ws_xvfb_pid" 2>/dev/null || true
        _ws_xvfb_pid=""
    fi
    if [ "$_ws_own_prefix" = 1 ] && [ -n "${WINEPREFIX:-}" ]; then
        rm -rf "$WINEPREFIX"
        _ws_own_prefix=0
    fi
}
