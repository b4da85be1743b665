#!/usr/bin/env bash
# Builds Pressavo.exe, runs it under Wine and shows what the platform reports afterwards.
#   ./run.sh [win32|win64]   (default win32, the shipped build)
# The prefix is ./.wine/<build> unless WINEPREFIX is set.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=scripts/lib.sh
source scripts/lib.sh
preset=${1:-win32}
case "$preset" in
win32 | win64) ;;
*) echo "usage: ./run.sh [win32|win64]" >&2; exit 2 ;;
esac

if [ "${2:-}" != --in-display ]; then
    ./scripts/setup.sh
    pressavo_build "$preset" >/dev/null
fi
loader=$(pressavo_wine_loader "build/$preset")

export WINEPREFIX=${WINEPREFIX:-$PWD/.wine/$preset}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$WINEPREFIX")"
[ -e "$WINEPREFIX/system.reg" ] || [ "${2:-}" = --in-display ] || echo "Creating the Wine prefix $WINEPREFIX (seconds, once)..."

run_in_wine() {
    "$loader" build/$preset/Pressavo.exe && status=0 || status=$?
    echo "Pressavo.exe ($preset) ended with exit status $status"
    "$loader" build/$preset/tests/e2e/pressavo-switch-probe.exe printer | tr -d '\r'
    /usr/lib/wine/wineserver -w
    return "$status"
}
# Wine needs a display to create windows; make one when there is none.
if [ -n "${DISPLAY:-}" ] || [ "${2:-}" = --in-display ]; then
    run_in_wine
else
    xvfb-run -a "$0" "$preset" --in-display
fi
