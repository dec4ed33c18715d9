#!/usr/bin/env bash
# Installs what Quorvel needs, builds it, and opens its window. On a machine without a screen
# the window opens on a virtual display (Xvfb), whose number is printed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target quorvel

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/quorvel
fi

# No screen: a virtual display, on a number Xvfb finds free and reports once it is ready.
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$number"' EXIT
for _ in $(seq 100); do
    [ -s "$number" ] && break
    sleep 0.1
done
display=$(head -1 "$number")
[ -n "$display" ] || { echo "Xvfb did not start" >&2; exit 1; }
scripts/install-deps.sh imagemagick  # for the hint below
echo "No screen here: Quorvel opens on the virtual display :$display (DISPLAY=:$display)."
echo "See it with:  import -display :$display -window root screen.png"
DISPLAY=":$display" build/quorvel
