#!/usr/bin/env bash
# Cross-builds the Windows program and the test suites, runs the suites under Wine, then opens
# Quorvel.exe under a private X server and closes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/win32-common.sh

if [ "${1:-}" = --smoke ]; then  # on the private X server
    start_quorvel
    close_quorvel
    echo "Quorvel.exe opened its window and ended cleanly when it was closed"
    exit 0
fi

win32_build
wine_prefix
ctest --test-dir "$win32_build_dir" --output-on-failure
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" --smoke
