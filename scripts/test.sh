#!/usr/bin/env bash
# Installs what the build needs, builds with warnings as errors, and runs every test: the Linux
# build here, its Debian package through lintian, the Windows build under Wine, the fuzz targets,
# and the Linux suites again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --windows
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON
cmake --build build
ctest --test-dir build --output-on-failure
(cd build && cpack >/dev/null)
lintian --fail-on error build/quorvel_*.deb
scripts/test-win32.sh
scripts/fuzz.sh 45
scripts/sanitize.sh
