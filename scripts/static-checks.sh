#!/usr/bin/env bash
# Formatting, clang-tidy and cppcheck over the project's own C++; exits non-zero on any finding.
# Needs the host preset configured (its compile_commands.json).
set -uo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files '*.cpp' '*.h' '*.c')
mapfile -t host_units < <(git ls-files 'app/*.cpp' 'platform/*.cpp' 'tests/unit/*.cpp' | grep -v '^platform/win32/')
mapfile -t win_units < <(git ls-files 'platform/win32/*.cpp')
status=0

echo "--- clang-format"
clang-format --dry-run --Werror "${sources[@]}" || status=1

echo "--- clang-tidy (host)"
# A finding shows as a diagnostic line; clang-tidy's own exit status is not relied on.
report() { if grep -E 'warning:|error:' -A3; then status=1; fi; }
report < <(clang-tidy -p build/host --quiet "${host_units[@]}" 2>/dev/null)

echo "--- clang-tidy (win32 back end)"
# clang does not find mingw's C++ headers by itself: ask the cross compiler where they are.
mapfile -t mingw_includes < <(echo | x86_64-w64-mingw32-g++ -std=c++20 -xc++ -E -v - 2>&1 |
    sed -n '/^#include <...> search starts here:/,/^End of search list./p' | grep -E '/c\+\+|mingw32/include$' |
    sed 's/^ */-isystem/')
for unit in "${win_units[@]}"; do
    report < <(clang-tidy --quiet "$unit" -- --target=x86_64-w64-mingw32 -std=c++20 -Iapp -Iplatform \
        -Iplatform/win32 "${mingw_includes[@]}" 2>/dev/null)
done

echo "--- cppcheck"
cppcheck --library=googletest --library=windows --enable=warning,style,performance,portability \
    --std=c++20 --language=c++ --inline-suppr --error-exitcode=1 --quiet \
    --suppress='unusedStructMember:tests/*' -D_WIN32 \
    -Iapp -Iplatform app platform tests || status=1

[ "$status" -eq 0 ] && echo "static checks: clean"
exit "$status"
