#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time from the seeds kept in
# fuzz/corpus; what a run finds beyond them stays in build-fuzz/. Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-45}"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_WERROR=ON -DQUORVEL_TESTS=OFF -DQUORVEL_FUZZ=ON
cmake --build build-fuzz --target numbers_fuzz naming_fuzz record_fuzz
for target in numbers naming record; do
    mkdir -p "build-fuzz/corpus/$target"
    echo "== fuzzing $target for ${seconds}s"
    log="build-fuzz/$target.log"
    if ! "build-fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/$target-" "build-fuzz/corpus/$target" "fuzz/corpus/$target" \
        >"$log" 2>&1; then
        tail -n 60 "$log"
        exit 1
    fi
    grep -E '^(INFO: seed corpus|Done |stat::number_of_executed_units)' "$log"
done
