#!/usr/bin/env bash
# Plants a DLL of the test's own beside a copy of Pressavo.exe, under the name of a DLL that the
# system loads for a run after start-up, and fails if the run loads it. The same DLL beside a bare
# program that leaves the DLL search as it is must be loaded: that proves the test can see it.
#   planted-dll.sh <planted.dll> <name> <control.exe>   (in the prefix: $WINE, $PRESSAVO_EXE set)
set -uo pipefail
planted=$1 name=$2 control=$3
dir=$(mktemp -d) && [ -d "$dir" ] || { echo "FAIL: no temporary folder"; exit 1; }
trap 'rm -rf "$dir"' EXIT
cp "$PRESSAVO_EXE" "$dir/Pressavo.exe"
cp "$control" "$dir/control.exe"
cp "$planted" "$dir/$name.dll"
# Windows looks in the program's folder first; Wine prefers its built-in DLLs unless told.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}$name=n,b"

# Runs $1 from the folder; prints whether the planted DLL was loaded, and Wine's loader lines for it.
loaded() {
    rm -f "$dir/$name.dll.loaded"
    local log status=0
    log=$(cd "$dir" && WINEDEBUG=+loaddll "$WINE" "$1" 2>&1 >/dev/null) || status=$?
    grep -i "$name" <<<"$log" | sed 's/^/    /'
    [ "$status" -eq 0 ] || echo "    $1 ended with status $status"
    [ -e "$dir/$name.dll.loaded" ]
}

echo "control: a bare program beside $name.dll"
if ! loaded control.exe; then
    echo "FAIL: the control did not load the planted $name.dll: this test could not see it"
    exit 1
fi
echo "Pressavo.exe beside $name.dll"
if loaded Pressavo.exe; then
    echo "FAIL: Pressavo.exe loaded the $name.dll planted in its folder"
    exit 1
fi
echo "the planted $name.dll was loaded by the control and refused by Pressavo.exe"
