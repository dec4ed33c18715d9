#!/usr/bin/env bash
# Installs what the build needs, builds with warnings as errors, and runs every test: the Linux
# build here, the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --windows
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON
cmake --build build
ctest --test-dir build --output-on-failure
scripts/test-win32.sh
