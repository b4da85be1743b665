#!/usr/bin/env bash
# Runs Pressavo.exe with Wine's debug channels on and fails on any error Wine reports in its
# process, or on a non-zero exit status. With a function (channels +relay), the trace must also show
# exactly <n> calls to it from the program's own code (--calls=<n>, default 1), each with its first
# arguments equal to <arg>s (numbers, compared on their low 32 bits: 64-bit traces show whole
# registers; - matches anything).
#   quiet-run.sh <channels> [--calls=<n>] [<dll.function> <arg>...]   (in the prefix: $WINE, $PRESSAVO_EXE)
set -uo pipefail
channels=$1
shift
count=1
if [[ ${1:-} == --calls=* ]]; then
    count=${1#--calls=}
    shift
fi
function=${1:-}
want=("${@:2}")
name=$(basename "$PRESSAVO_EXE")
# Lines are <process>:<thread>:... (+pid); the loader's first line names the run's process and
# where its image lies. The desktop process that a run may start has its own start-up errors,
# which are not the program's.
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
loaded=$(grep -m1 -E "$started" <<<"$log")
pid=$(cut -d: -f1 <<<"$loaded")
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
    # The program's own calls return into its image (a few tens of KiB; 1 MiB is ample), not into
    # the runtime DLLs that make the same calls for themselves.
    base=$((16#$(sed -E 's/.*" at ([0-9a-f]+).*/\1/' <<<"$loaded")))
    calls=$(grep -F ":Call $function(" <<<"$log" | grep "^$pid:" | while read -r line; do
        ret=$((16#${line##*ret=}))
        if ((ret >= base && ret < base + 0x100000)); then echo "$line"; fi
    done)
    if [ "$(grep -c . <<<"$calls")" -ne "$count" ]; then
        printf 'FAIL: expected %s calls to %s from %s, saw:\n%s\n' "$count" "$function" "$name" "$calls"
        exit 1
    fi
    while read -r call; do
        IFS=, read -ra got <<<"$(sed -E 's/ L?"([^"\\]|\\.)*"//g; s/^[^(]*\(([^)]*)\).*/\1/' <<<"$call")"
        for i in "${!want[@]}"; do
            if [ "${want[i]}" != - ] && ! (((16#${got[i]:-x} & 0xffffffff) == want[i])) 2>/dev/null; then
                printf 'FAIL: argument %d of %s is 0x%s, expected %s:\n%s\n' \
                    $((i + 1)) "$function" "${got[i]:-<none>}" "${want[i]}" "$call"
                exit 1
            fi
        done
    done <<<"$calls"
    printf '%s calls, as expected:\n%s\n' "$count" "$calls"
fi
echo "ran with status 0 and no error on $channels"
