#!/usr/bin/env bash
# Runs a command in the prefix that prefix.sh started:
#   in-prefix.sh <state-dir> [NAME=value...] <command> [args...]
# NAME=value words set the environment; a command ending in .exe runs through the Wine loader.
set -euo pipefail
state=$1
shift
# shellcheck disable=SC1091
source "$state/env"
while [[ $# -gt 0 && $1 =~ ^[A-Za-z_][A-Za-z0-9_]*= ]]; do
    export "${1?}"
    shift
done
if [[ $1 == *.exe ]]; then exec "$WINE" "$@"; fi
exec "$@"
