#!/usr/bin/env bash
# Starts or stops a throwaway Wine prefix with its own Xvfb display and a persistent wineserver.
#   prefix.sh start <state-dir> <wine-loader>   creates <state-dir>/prefix and writes <state-dir>/env
#   prefix.sh stop  <state-dir>                 ends the prefix's processes and the display
set -euo pipefail
action=$1
state=$(realpath -m "$2")
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver32

stop() {
    if [ -f "$state/env" ]; then
        # shellcheck disable=SC1091
        (source "$state/env" && "$wineserver" -k 2>/dev/null) || true
    fi
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid"
    fi
}

case "$action" in
stop)
    stop
    ;;
start)
    loader=$3
    stop
    rm -rf "$state"
    mkdir -p "$state"
    # A display of our own: Wine cannot create windows without one.
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$state/display" >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do [ -s "$state/display" ] && break; sleep 0.1; done
    [ -s "$state/display" ] || { echo "prefix.sh: Xvfb did not start" >&2; cat "$state/xvfb.log" >&2; exit 1; }
    cat >"$state/env" <<ENV
export DISPLAY=:$(cat "$state/display")
export WINEPREFIX=$state/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINE=$loader
ENV
    # shellcheck disable=SC1091
    source "$state/env"
    # Kept running between programs so that each start costs only the program itself.
    mkdir -p "$WINEPREFIX"
    "$wineserver" -p </dev/null >>"$state/wineserver.log" 2>&1
    "$loader" wineboot --init >"$state/wineboot.log" 2>&1
    echo "prefix ready: $WINEPREFIX on $DISPLAY"
    ;;
*)
    echo "usage: prefix.sh start <state-dir> <wine-loader> | stop <state-dir>" >&2
    exit 2
    ;;
esac
