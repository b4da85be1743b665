#!/usr/bin/env bash
# Builds the libFuzzer targets (entry splitting, section listing) and runs each for a bounded
# time on a copy of the checked-in seed corpus; fails when a target crashes or a check fails.
#   PRESSAVO_FUZZ_SECONDS (default 20) sets the time per target.
set -uo pipefail
cd "$(dirname "$0")/.."
out=build/fuzz
mkdir -p "$out"
seconds=${PRESSAVO_FUZZ_SECONDS:-20}
sources=(app/Form1.cpp app/profile/ProfileList.cpp app/profile/ProfileSplit.cpp platform/ListBox.cpp
         platform/host/ListBoxStandIn.cpp platform/host/StandIn.cpp platform/host/Text.cpp)
status=0
for target in Split Listing; do
    name=$(tr '[:upper:]' '[:lower:]' <<<"$target")
    if ! clang++ -std=c++20 -g -O1 -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=all -Iapp -Iplatform -Iplatform/host \
        "fuzz/${target}Fuzz.cpp" "${sources[@]}" -o "$out/$name-fuzz"; then
        echo "fuzz: $name did not build"
        status=1
        continue
    fi
    # New inputs go to a scratch copy: the checked-in corpus stays as reviewed.
    rm -rf "$out/$name-corpus" && cp -r "fuzz/corpus/$name" "$out/$name-corpus"
    if "$out/$name-fuzz" -max_total_time="$seconds" -max_len=9000 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$out/$name-" "$out/$name-corpus" >"$out/$name.log" 2>&1; then
        echo "fuzz: $name clean, $(grep -m1 -oE 'stat::number_of_executed_units: *[0-9]+' "$out/$name.log" | grep -oE '[0-9]+$') runs in ${seconds} s"
    else
        echo "fuzz: $name FAILED"
        tail -n 30 "$out/$name.log"
        status=1
    fi
done
exit "$status"
