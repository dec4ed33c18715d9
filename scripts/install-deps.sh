#!/usr/bin/env bash
# Installs what building and testing Quorvel needs, from Debian's packages.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config googletest libgtest-dev
    clang libclang-rt-14-dev  # the fuzz targets: clang and its libFuzzer runtime
)

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
