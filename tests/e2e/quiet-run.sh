#!/usr/bin/env bash
# Runs Pressavo.exe with Wine's debug channels $1 on and fails on any error Wine reports there,
# or on a non-zero exit status.   quiet-run.sh <channels>   (in the prefix: $WINE, $PRESSAVO_EXE)
set -uo pipefail
status=0
log=$(WINEDEBUG=$1 "$WINE" "$PRESSAVO_EXE" 2>&1 >/dev/null) || status=$?
errors=$(grep -E '^[0-9a-f]+:err:' <<<"$log")
if [ -n "$errors" ] || [ "$status" -ne 0 ]; then
    printf 'FAIL: exit status %s; Wine reported:\n%s\n' "$status" "$errors"
    exit 1
fi
echo "ran with status 0 and no error on $1"
