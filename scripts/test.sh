#!/usr/bin/env bash
# Installs what the build needs, builds with warnings as errors, and runs every test: the suites,
# the same suites under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON
cmake --build build
ctest --test-dir build --output-on-failure
scripts/fuzz.sh 45
scripts/sanitize.sh
