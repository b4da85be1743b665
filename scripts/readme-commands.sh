#!/usr/bin/env bash
# Runs the shell commands the README shows (its ```sh blocks, in order, as one script) in a fresh
# clone of the repository, as a first reader would, so that they stay true.
#   scripts/readme-commands.sh     (what ./scripts/setup.sh installs must be there)
# Blocks marked ```text are shown but not run here: ./test.sh, which calls this, runs them itself
# (./test.sh, ctest), or they need Windows. A clone holds only what is committed.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d) && [ -d "$work" ] || { echo "readme-commands: no temporary folder" >&2; exit 1; }
trap 'rm -rf "$work"' EXIT

git clone --quiet "$repo" "$work/pressavo"
echo "readme-commands: a fresh clone of $(git -C "$work/pressavo" log -1 --format='%h (%s)')"
awk '/^```sh$/ { on = 1; blocks++; next } /^```/ { on = 0 } on { print } END { exit blocks == 0 }' \
    "$work/pressavo/README.md" >"$work/commands.sh" ||
    { echo "readme-commands: FAILED: the README shows no \`\`\`sh block"; exit 1; }

# Only the README's own commands decide what is signed; nothing reaches for a timestamp server.
unset PRESSAVO_SIGN_PFX PRESSAVO_SIGN_PASSWORD_FILE PRESSAVO_SIGN_TIMESTAMP_URL SOURCE_DATE_EPOCH
start=$(date +%s)
if (cd "$work/pressavo" && bash -euxo pipefail "$work/commands.sh") >"$work/log" 2>&1; then
    echo "readme-commands: $(grep -c . "$work/commands.sh") lines of the README ran in $(($(date +%s) - start)) s:"
    grep -E '^\+ ' "$work/log" | grep -v '^+ *#' | sed 's/^/    /'
else
    echo "readme-commands: FAILED: a command the README shows failed; the last of its output:"
    tail -n 30 "$work/log" | sed 's/^/    /'
    exit 1
fi
