#!/usr/bin/env bash
# Installs what building, testing and running Quorvel needs, from Debian's packages.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config googletest libgtest-dev
    # The Linux window (Qt 6 Widgets, with its Test module and the offscreen platform)
    qt6-base-dev
    # Faces with the widths of the design's Windows fonts (Arial, MS Sans Serif), and a fallback
    fonts-liberation fonts-dejavu-core
    # A virtual display, for a machine without a screen (scripts/run.sh)
    xvfb xauth
    # cpack's .deb: dpkg-shlibdeps finds the package's dependencies
    dpkg-dev file
)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
