#!/usr/bin/env bash
# Runs Pressavo.exe under Wine's window trace and fails if its window is ever shown. A probe
# window that is shown on purpose first proves that the trace would tell.
#   never-shown.sh <probe.exe>     (run in the prefix: $WINE and $PRESSAVO_EXE are set)
set -uo pipefail
probe=$1

# Prints the show events of the thread that creates a window of class $1 while running "$@".
shows_of() {
    local class=$1
    shift
    local log tid
    log=$(WINEDEBUG=+win "$WINE" "$@" 2>&1 >/dev/null)
    # The trace covers every process the program starts (the desktop too): keep to its thread.
    tid=$(grep -m1 -E "WIN_CreateWindowEx .* L\"$class\"" <<<"$log" | cut -d: -f1)
    if [ -z "$tid" ]; then
        echo "no window of class $class was created" >&2
        return 2
    fi
    grep -E "^$tid:.*(show_window hwnd=[^,]*, cmd=[1-9]|SWP_SHOWWINDOW)" <<<"$log"
    return 0
}

control=$(shows_of PressavoProbeShown "$probe" show) || exit 1
if [ -z "$control" ]; then
    echo "FAIL: the trace did not show the control window being shown"
    exit 1
fi
shown=$(shows_of Form1 "$PRESSAVO_EXE") || exit 1
if [ -n "$shown" ]; then
    printf 'FAIL: Form1 was shown:\n%s\n' "$shown"
    exit 1
fi
echo "Form1 created and never shown"
