#!/usr/bin/env bash
# Takes a screenshot of the Windows program under Wine into docs/screenshots/win32.png. Wine draws
# the window's frame itself in a virtual desktop of about the window's size.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/win32-common.sh

if [ "${1:-}" = --on-display ]; then  # on the private X server
    start_quorvel explorer /desktop=Quorvel,400x280
    sleep 2  # the controls paint after the window appears
    import -window root -crop 400x280+0+0 +repage docs/screenshots/win32.png
    close_quorvel
    exit 0
fi

scripts/install-deps.sh --screenshots

win32_build
wine_prefix
mkdir -p docs/screenshots
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" --on-display
wineserver -k || true
echo "docs/screenshots/win32.png"
