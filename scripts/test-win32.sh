#!/usr/bin/env bash
# Cross-builds the Windows program and the test suites, runs the suites under Wine, then opens
# Quorvel.exe under a private X server and closes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/win32-common.sh

if [ "${1:-}" = --smoke ]; then  # on a private display
    start_quorvel
    close_quorvel
    echo "Quorvel.exe opened its window and ended cleanly when it was closed"
    exit 0
fi

win32_build
wine_prefix
# The toolkit's tests open real windows, so the suites need a display too.
on_private_display ctest --test-dir "$wine_build_dir" --output-on-failure
on_private_display "$0" --smoke
