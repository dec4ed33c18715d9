#!/usr/bin/env bash
# Makes docs/screenshots/split-mode.png and docs/screenshots/joint-mode.png, and
# focus-button.png and focus-link.png with the keyboard focus on a picture button and on the
# link: the window as a person sees it, with a title bar from a small window manager, on a
# virtual display. The fields are filled through the window's own buttons and dialogs, as a
# person fills them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh imagemagick xdotool openbox
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target quorvel

source scripts/x-session.sh
x_start_display 640x400x24
openbox >/dev/null 2>&1 &
x_pids+=($!)
sleep 1

# A file to pick, under a path that reads well in the picture.
demo=/tmp/quorvel-demo
rm -rf "$demo"
mkdir -p "$demo/Videos"
head -c 3000000 /dev/urandom >"$demo/Videos/holiday.mp4"

build/quorvel &
x_pids+=($!)
window=$(x_window '^Quorvel v1\.0')
xdotool windowmove "$window" 40 30
sleep 0.5
shot() {
    xdotool mousemove 600 380  # the pointer out of the picture
    sleep 0.5
    import -window "$window" -frame "$1"
    echo "wrote $1"
}

# The keyboard focus, from where it starts (the count field): one Tab on to the folder button,
# then back past the count field round to the link, the last stop.
xdotool key Tab
shot docs/screenshots/focus-button.png
xdotool key shift+Tab shift+Tab
shot docs/screenshots/focus-link.png

# Split mode: a source picked, the count typed.
x_click "$window" $(x_place cmd_Open)
x_type_enter "$(x_window '^Select a source file to split:$')" "$demo/Videos/holiday.mp4"
x_gone '^Select a source file to split:$'
x_click "$window" $(x_place Text3)
xdotool key ctrl+a
xdotool type "3"
# Started: the bar fills piece by piece; the message box reports the end.
x_click "$window" $(x_place cmd_Split)
report=$(x_window '^quorvel$')
sleep 0.5
import -window "$report" -frame /tmp/quorvel-split-report.png
x_type_enter "$report" ""
x_gone '^quorvel$'
shot docs/screenshots/split-mode.png

# Joint mode: the first piece picked.
x_click "$window" $(x_place Opt2)
x_click "$window" $(x_place cmd_Open)
x_type_enter "$(x_window '^Select a source file to split:$')" "$demo/Videos/holiday.mp4_1.xst"
x_gone '^Select a source file to split:$'
shot docs/screenshots/joint-mode.png

rm -rf "$demo"
