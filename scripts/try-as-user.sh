#!/usr/bin/env bash
# Does what a new user does, through the window alone: runs the README's first command
# (scripts/run.sh, which builds and opens the window on a virtual display here), splits a file
# into 3 parts and joins it back with the window's own buttons and dialogs, checks the result
# byte for byte, and closes the window. xdotool plays the user; a small window manager gives
# the windows focus and a close box, as on a desktop. Pictures of each step go to
# $QUORVEL_TRY_SHOTS (default /tmp/quorvel-try-shots).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh xdotool openbox imagemagick
source scripts/x-session.sh
shots=${QUORVEL_TRY_SHOTS:-/tmp/quorvel-try-shots}
work=$(mktemp -d /tmp/quorvel-try.XXXXXX)
mkdir -p "$shots" "$work/in" "$work/out"
trap 'x_stop; rm -rf "$work"' EXIT
step() { echo "== $*"; }
fail() { echo "FAILED: $*" >&2; exit 1; }

head -c 1000003 /dev/urandom >"$work/in/photo.jpg"

step "scripts/run.sh on a machine without a screen"
env -u DISPLAY -u WAYLAND_DISPLAY scripts/run.sh >"$work/run.log" 2>&1 &
run=$!
for _ in $(seq 1800); do
    grep -q 'DISPLAY=:' "$work/run.log" && break
    kill -0 "$run" 2>/dev/null || { cat "$work/run.log"; fail "scripts/run.sh ended early"; }
    sleep 0.5
done
window=$(DISPLAY=$(grep -o 'DISPLAY=:[0-9]*' "$work/run.log" | head -1 | cut -d= -f2) \
    x_window '^Quorvel v1\.0')
echo "the window opened on its virtual display"
program=$(pgrep -P "$run" -x quorvel)
kill "$program"
wait "$run" || true

step "scripts/run.sh on a desktop (a virtual display with a window manager)"
x_start_display 1024x768x24
openbox >/dev/null 2>&1 &
x_pids+=($!)
sleep 1
scripts/run.sh >"$work/run.log" 2>&1 &
run=$!
x_pids+=("$run")
window=$(x_window '^Quorvel v1\.0')
sleep 1
import -window "$window" -frame "$shots/1-opened.png"

step "Split: pick the source, type 3, press the scissors"
x_click "$window" $(x_place cmd_Open)
dialog=$(x_window '^Select a source file to split:$')
import -window "$dialog" -frame "$shots/2-file-dialog.png"
x_type_enter "$dialog" "$work/in/photo.jpg"
x_gone '^Select a source file to split:$'
x_click "$window" $(x_place Text3)
xdotool key ctrl+a
xdotool type 3
x_click "$window" $(x_place cmd_Split)
report=$(x_window '^quorvel$')
import -window "$report" -frame "$shots/3-split-report.png"
xdotool key Return
x_gone '^quorvel$'
import -window "$window" -frame "$shots/4-split-done.png"
for n in 1 2 3; do [ -f "$work/in/photo.jpg_$n.xst" ] || fail "no piece $n"; done
[ ! -e "$work/in/photo.jpg_4.xst" ] || fail "a fourth piece"
sizes=$(stat -c %s "$work/in/photo.jpg_1.xst" "$work/in/photo.jpg_2.xst" "$work/in/photo.jpg_3.xst" | tr '\n' ' ')
[ "$sizes" = "333335 333334 333334 " ] || fail "piece sizes $sizes"
cat "$work/in/photo.jpg_"{1,2,3}.xst | cmp - "$work/in/photo.jpg" || fail "the pieces differ from the file"
echo "pieces: $sizes"

step "Join: Joint File, pick the first piece and a folder, tick Delete, press the scissors"
x_click "$window" $(x_place Opt2)
x_click "$window" $(x_place cmd_Open)
x_type_enter "$(x_window '^Select a source file to split:$')" "$work/in/photo.jpg_1.xst"
x_gone '^Select a source file to split:$'
x_click "$window" $(x_place cmd_Save)
folder=$(x_window '^Select a path to save splitted files:$')
import -window "$folder" -frame "$shots/5-folder-dialog.png"
x_type_enter "$folder" "$work/out"
x_gone '^Select a path to save splitted files:$'
x_click "$window" $(x_place Check1)
import -window "$window" -frame "$shots/6-joint-ready.png"
x_click "$window" $(x_place cmd_Split)
report=$(x_window '^quorvel$')
import -window "$report" -frame "$shots/7-joint-report.png"
xdotool key Return
x_gone '^quorvel$'
cmp "$work/in/photo.jpg" "$work/out/photo.jpg" || fail "the joined file differs"
remaining=$(ls "$work/in")
[ "$remaining" = "photo.jpg" ] || fail "left in the source folder: $remaining"
echo "joined byte for byte; the pieces are deleted"

step "Split a large file and close the window while it runs"
big="$work/in/big.bin"
head -c $((600 << 20)) /dev/zero >"$big"  # three pieces of 200 MiB
x_click "$window" $(x_place Opt1)
x_click "$window" $(x_place cmd_Open)
x_type_enter "$(x_window '^Select a source file to split:$')" "$big"
x_gone '^Select a source file to split:$'
x_click "$window" $(x_place Text3)
xdotool key ctrl+a
xdotool type 3
xdotool mousemove --window "$window" $(x_place cmd_Split) click 1
# The window manager closes the window; run.sh then stops the display, so xdotool may lose it.
xdotool key alt+F4 2>/dev/null || true
for _ in $(seq 300); do kill -0 "$run" 2>/dev/null || break; sleep 0.1; done
kill -0 "$run" 2>/dev/null && fail "the program did not end when its window closed"
wait "$run" || fail "scripts/run.sh ended with an error: $(tail -3 "$work/run.log")"
pieces=$(cd "$work/in" && ls big.bin_*.xst 2>/dev/null | tr '\n' ' ' || true)
for piece in $pieces; do
    [ "$(stat -c %s "$work/in/$piece")" -eq $((200 << 20)) ] || fail "$piece is partial"
done
[ -z "$(find "$work/in" -name '*.tmp*' -o -name '.*')" ] || fail "temporary files left"
echo "closed during the split: the program ended cleanly, whole pieces only: ${pieces:-none}"
echo "PASSED: split into 3 and joined back through the window; pictures in $shots"
