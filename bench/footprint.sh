#!/usr/bin/env bash
# Prints each Pressavo.exe's size against the size floor and fails when either is over budget or
# when its link map shows the C++ exception runtime or unwinder back in the executable.
#   bench/footprint.sh [build-dir]   (default: build/ of the repository; win32 and win64 built)
# The floor is the least C program that makes a hidden window, writes and broadcasts, built by
# the same preset with the same resources and link options (bench/ref-window.c + the project's .rc).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
budget=$((24 * 1024))  # bytes, each executable
ratio_goal=1.1         # Pressavo.exe / floor
# What the executable must never pull in (see cmake/executable-win32.cmake): libstdc++ and its
# exception runtime, libgcc's unwinder, and the symbols that would bring them.
runtime='lib(std|sup)c\+\+\.a\(|libgcc_eh\.a\(|__gxx_personality|_Unwind_|__cxa_(throw|begin_catch|demangle)'

failures=0
echo "footprint (budget $budget bytes each, at most $ratio_goal times the floor):"
for preset in win32 win64; do
    exe=$build/$preset/Pressavo.exe
    floor=$build/$preset/bench/pressavo-floor.exe
    map=$build/$preset/Pressavo.map
    for file in "$exe" "$floor" "$map"; do
        [ -f "$file" ] || { echo "  $preset: $file is missing (cmake --build --preset $preset)"; failures=$((failures + 1)); continue 2; }
    done
    size=$(stat -c %s "$exe")
    floor_size=$(stat -c %s "$floor")
    verdict=$(awk -v s="$size" -v f="$floor_size" -v b="$budget" -v g="$ratio_goal" 'BEGIN {
        r = s / f
        printf "%d bytes (%.1f KiB), floor %d bytes, ratio %.3f: %s", s, s / 1024, f, r,
            (s <= b && r <= g) ? "met" : "OVER BUDGET" }')
    echo "  $preset/Pressavo.exe: $verdict"
    [[ $verdict == *": met" ]] || failures=$((failures + 1))
    pulled=$(grep -E "$runtime" "$map" | sed 's/^[[:space:]]*//' | sort -u | head -n 5)
    if [ -n "$pulled" ]; then
        printf '    the link map shows the C++ exception runtime in the executable:\n%s\n' "$(sed 's/^/      /' <<<"$pulled")"
        failures=$((failures + 1))
    else
        echo "    link map: no libstdc++, no exception runtime, no unwinder"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "footprint: $failures check(s) failed"
    exit 1
fi
echo "footprint: within budget"
