#!/usr/bin/env bash
# Runs Pressavo.exe with Wine's debug channels on and fails on any error Wine reports in its
# process, or on a non-zero exit status. With a function (channels +relay), the trace must also show
# exactly one call to it, its first arguments equal to <arg>s (numbers; - matches anything).
#   quiet-run.sh <channels> [<dll.function> <arg>...]   (in the prefix: $WINE, $PRESSAVO_EXE)
set -uo pipefail
channels=$1
shift
function=${1:-}
want=("${@:2}")
name=$(basename "$PRESSAVO_EXE")
# Lines are <process>:<thread>:... (+pid); the loader's first line names the run's process. The
# desktop process that a run may start has its own start-up errors, which are not the program's.
started="trace:loaddll:[^ ]+ Loaded L\"[^\"]*${name//./\\.}\" at "
pattern="^[0-9a-f]+:[0-9a-f]+:(err:|$started"
[ -n "$function" ] && pattern+="|Call ${function//./\\.}\\("
pattern+=")|^quiet-run: exit status "
# The relay trace runs to millions of lines: keep only what is looked at.
log=$({
    WINEDEBUG=$channels,+pid,+loaddll "$WINE" "$PRESSAVO_EXE" 2>&1 >/dev/null
    echo "quiet-run: exit status $?"
} | grep -E "$pattern")
status=$(sed -n 's/^quiet-run: exit status //p' <<<"$log")
pid=$(grep -m1 -E "$started" <<<"$log" | cut -d: -f1)
if [ -z "$pid" ]; then
    printf 'FAIL: exit status %s; no start of %s in the trace\n' "$status" "$name"
    exit 1
fi
errors=$(grep -E "^$pid:[0-9a-f]+:err:" <<<"$log")
if [ -n "$errors" ] || [ "$status" != 0 ]; then
    printf 'FAIL: exit status %s; Wine reported:\n%s\n' "$status" "$errors"
    exit 1
fi
if [ -n "$function" ]; then
    calls=$(grep -F ":Call $function(" <<<"$log" | grep "^$pid:")
    if [ "$(grep -c . <<<"$calls")" -ne 1 ]; then
        printf 'FAIL: expected one call to %s, saw:\n%s\n' "$function" "$calls"
        exit 1
    fi
    IFS=, read -ra got <<<"$(sed -E 's/^[^(]*\(([^)]*)\).*/\1/' <<<"$calls")"
    for i in "${!want[@]}"; do
        if [ "${want[i]}" != - ] && ! (((16#${got[i]:-x}) == want[i])) 2>/dev/null; then
            printf 'FAIL: argument %d of %s is 0x%s, expected %s:\n%s\n' \
                $((i + 1)) "$function" "${got[i]:-<none>}" "${want[i]}" "$calls"
            exit 1
        fi
    done
    echo "one call: $calls"
fi
echo "ran with status 0 and no error on $channels"
