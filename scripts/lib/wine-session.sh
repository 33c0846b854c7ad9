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

    # Xvfb picks a free display itself and writes its number once it accepts clients, so that
    # sessions started at the same moment never share one.
    local display_file n=""
    display_file=$(mktemp /tmp/pellicor-display.XXXXXX)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    _ws_xvfb_pid=$!
    trap wine_session_stop EXIT
    for _ in $(seq 1 100); do
        if [ "$(wc -l <"$display_file")" -ge 1 ]; then
            n=$(head -n 1 "$display_file")
            break
        fi
        kill -0 "$_ws_xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$display_file"
    if [ -z "$n" ]; then
        _ws_log "Xvfb did not start"
        return 1
    fi
    export DISPLAY=":$n"

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

# Restarts the session's wineserver with its request trace on, written to $1: one line per round trip
# any program of the prefix makes to it, prefixed with the calling thread's id (scripts/bench counts
# them). The programs running in the prefix end with the old server.
wine_session_trace_server() {
    wineserver -k >/dev/null 2>&1 || true
    wait "$_ws_server_pid" 2>/dev/null || true
    wineserver -p -f -d1 >/dev/null 2>"$1" &
    _ws_server_pid=$!
}
