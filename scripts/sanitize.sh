#!/usr/bin/env bash
# Builds every test suite with AddressSanitizer and UndefinedBehaviorSanitizer in a folder of its
# own and runs them; the first finding ends the run with its report.
set -euo pipefail
cd "$(dirname "$0")/.."

flags="-O1 -g -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_WERROR=ON \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build build-sanitize
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-sanitize --output-on-failure
