#!/usr/bin/env bash
# Prints each Pressavo.exe's size and imported DLLs; fails when the 32-bit executable is over
# its budget or when either imports anything but Windows' own DLLs.
#   bench/footprint.sh [build-dir]   (default: build/ of the repository; win32 and win64 built)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
budget=$((256 * 1024))  # the shipped 32-bit executable
# DLLs every supported Windows has: anything else (libstdc++, libgcc, libwinpthread...) would
# have to be shipped beside the executable.
system_dlls=(kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll ntdll.dll shell32.dll
    comctl32.dll comdlg32.dll ole32.dll oleaut32.dll shlwapi.dll version.dll winspool.drv)

objdump=objdump
if ! objdump -i 2>/dev/null | grep -q pei-i386; then objdump=x86_64-w64-mingw32-objdump; fi

failures=0
echo "footprint:"
for preset in win32 win64; do
    exe=$build/$preset/Pressavo.exe
    if [ ! -f "$exe" ]; then
        echo "  $preset: $exe is missing (cmake --build --preset $preset)"
        failures=$((failures + 1))
        continue
    fi
    size=$(stat -c %s "$exe")
    line=$(awk -v s="$size" 'BEGIN { printf "%d bytes (%.1f KiB)", s, s / 1024 }')
    if [ "$preset" = win32 ]; then
        if [ "$size" -le "$budget" ]; then
            line+=", budget 256 KiB: met"
        else
            line+=", budget 256 KiB: EXCEEDED"
            failures=$((failures + 1))
        fi
    fi
    echo "  $preset/Pressavo.exe: $line"
    dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
    [ -n "$dlls" ] || { echo "    no imports found (objdump failed?)"; failures=$((failures + 1)); }
    while read -r dll; do
        [ -n "$dll" ] || continue
        lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
        if [[ " ${system_dlls[*]} " == *" $lower "* ]]; then
            echo "    imports $dll"
        else
            echo "    imports $dll: NOT a system DLL"
            failures=$((failures + 1))
        fi
    done <<<"$dlls"
done

if [ "$failures" -ne 0 ]; then
    echo "footprint: $failures check(s) failed"
    exit 1
fi
echo "footprint: within budget, system DLLs only"
