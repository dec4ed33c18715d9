#!/usr/bin/env bash
# Takes screenshots of the Windows program under Wine into docs/screenshots/: win32.png as it
# opens, win32-focus-button.png and win32-focus-link.png with the keyboard focus on a picture
# button and on the link, win32-joint.png in Joint mode. Wine draws the window's frame itself
# in a virtual desktop of about the window's size.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/win32-common.sh

shot() {
    sleep 1
    import -window root -crop 400x280+0+0 +repage "docs/screenshots/$1"
}

if [ "${1:-}" = --on-display ]; then  # on a private display
    start_quorvel explorer /desktop=Quorvel,400x280
    sleep 2  # the controls paint after the window appears
    shot win32.png
    # The focus on the folder button, then back past the count field round to the link, then on
    # round to the count field again.
    xdotool key Tab
    shot win32-focus-button.png
    xdotool key shift+Tab shift+Tab
    shot win32-focus-link.png
    xdotool key Tab
    # Into Joint mode by keyboard: Tab along the tab order to "Split File", then the arrow key.
    xdotool key Tab Tab Tab Tab Tab Tab Down
    shot win32-joint.png
    close_quorvel
    exit 0
fi

scripts/install-deps.sh --screenshots

win32_build
wine_prefix
mkdir -p docs/screenshots
on_private_display "$0" --on-display
"$wineserver" -k || true
echo "wrote docs/screenshots/win32*.png"
