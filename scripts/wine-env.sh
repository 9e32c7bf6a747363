# Sourced: the private Wine prefix of the build tree, a virtual X display and one
# persistent wineserver. Safe to source again; what already runs is reused.
QUORRIN_ROOT=${QUORRIN_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
QUORRIN_WINE_STATE=${QUORRIN_WINE_STATE:-$QUORRIN_ROOT/build/wine}
export WINEPREFIX=${WINEPREFIX:-$QUORRIN_WINE_STATE/prefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: the host needs neither, and nothing may be downloaded.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
QUORRIN_WINE=/usr/lib/wine/wine64
QUORRIN_WINESERVER=/usr/lib/wine/wineserver64
[ -x "$QUORRIN_WINE" ] || QUORRIN_WINE=$(command -v wine64 || command -v wine)
[ -x "$QUORRIN_WINESERVER" ] || QUORRIN_WINESERVER=$(command -v wineserver)

quorrin_start_display() {
    mkdir -p "$QUORRIN_WINE_STATE"
    local display_file=$QUORRIN_WINE_STATE/display
    if [ -s "$display_file" ] && [ -e "/tmp/.X11-unix/X$(cat "$display_file")" ] &&
        kill -0 "$(cat "$QUORRIN_WINE_STATE/xvfb.pid" 2>/dev/null)" 2>/dev/null; then
        export DISPLAY=:$(cat "$display_file")
        return
    fi
    rm -f "$display_file"
    Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    echo $! >"$QUORRIN_WINE_STATE/xvfb.pid"
    local deadline=$((SECONDS + 30))
    until [ -s "$display_file" ]; do
        [ $SECONDS -lt $deadline ] || { echo "Xvfb did not start" >&2; return 1; }
        sleep 0.1
    done
    export DISPLAY=:$(tr -d '\n' <"$display_file")
}

# Wine 8 reports Windows 7 unless told otherwise; the WebView2 runtime and
# Node.js 20 ask for Windows 10. Set in a new prefix and in one made before.
quorrin_report_windows_10() {
    awk '/^\[/ { wine = ($0 ~ /^\[Software\\\\Wine\]/) }
         wine && /^"Version"="win10"$/ { found = 1 } END { exit !found }' \
        "$WINEPREFIX/user.reg" 2>/dev/null && return
    "$QUORRIN_WINE" reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10 /f \
        </dev/null >/dev/null 2>&1
}

quorrin_start_wine() {
    quorrin_start_display || return 1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the test Wine prefix in $WINEPREFIX"
        "$QUORRIN_WINE" wineboot --init >/dev/null 2>&1
        # There is no window manager on the virtual display: Wine itself then
        # runs window menus and places windows, as Windows does.
        "$QUORRIN_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
            >/dev/null 2>&1
        "$QUORRIN_WINESERVER" -w
    fi
    # Fails harmlessly when a server for this prefix already runs.
    "$QUORRIN_WINESERVER" -p >/dev/null 2>&1 || true
    quorrin_report_windows_10
    # Wine's own services start with the first program and outlive it. Started
    # here, they hold /dev/null rather than a test runner's output pipe, which
    # would otherwise never close.
    # The services starting late is no reason to refuse the program itself.
    "$QUORRIN_WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1 ||
        echo "wine-env: Wine's services did not start cleanly (status $?)" >&2
    return 0
}

quorrin_stop_wine() {
    "$QUORRIN_WINESERVER" -k 2>/dev/null
    "$QUORRIN_WINESERVER" -w 2>/dev/null
    local pid
    pid=$(cat "$QUORRIN_WINE_STATE/xvfb.pid" 2>/dev/null) && kill "$pid" 2>/dev/null
    rm -f "$QUORRIN_WINE_STATE/xvfb.pid" "$QUORRIN_WINE_STATE/display"
}
