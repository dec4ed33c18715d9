#!/usr/bin/env bash
# Installs what building, testing and running Quorvel needs, from Debian's packages; only what is
# missing.
#   --windows      also the cross-compiler for the Windows program, and Wine under a private
#                  X server to test it
#   --screenshots  the same, and ImageMagick to take screenshots of it
#   NAME ...       further Debian packages a developer script needs
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config googletest libgtest-dev
    # The digests of a set's record, and sha256sum to check one as a user would
    libssl-dev coreutils
    # The Linux window (Qt 6 Widgets, with its Test module and the offscreen platform)
    qt6-base-dev
    # Faces with the widths of the design's Windows fonts (Arial, MS Sans Serif), and a fallback
    fonts-liberation fonts-dejavu-core
    # A virtual display, for a machine without a screen (scripts/run.sh)
    xvfb xauth
    # cpack's .deb: dpkg-shlibdeps finds the package's dependencies, and lintian checks it
    dpkg-dev file lintian
    # The desktop's view of a piece: its mime type and the program that opens it (xdg-mime falls
    # back to mimetype without a desktop)
    xdg-utils libfile-mimeinfo-perl desktop-file-utils shared-mime-info
    # A terminal of its own for the progress test (script)
    bsdutils
    clang libclang-rt-14-dev  # the fuzz targets: clang and its libFuzzer runtime
    e2fsprogs mount  # the benchmark's slow medium: mkfs.ext4, losetup
    # The fault tests' removable-media file systems: FAT32, exFAT and NTFS images, each formatted
    # and mounted through its FUSE driver
    dosfstools exfatprogs fusefat exfat-fuse ntfs-3g
    # The fault tests' file systems that share blocks between files: btrfs and XFS images
    btrfs-progs xfsprogs
)
windows_packages=(mingw-w64 g++-mingw-w64-i686-posix fonts-wine xdotool)
# 32-bit Wine runs the Windows program; where this machine runs no 32-bit programs, wine64 runs a
# 64-bit build of it instead (scripts/win32-common.sh).
if "$(dirname "$0")/runs-32-bit.sh"; then
    windows_packages+=(wine wine32:i386)
else
    windows_packages+=(wine64 g++-mingw-w64-x86-64-posix)
fi
for option in "$@"; do
    case "$option" in
        --windows) packages+=("${windows_packages[@]}") ;;
        --screenshots) packages+=("${windows_packages[@]}" imagemagick) ;;
        -*) echo "install-deps.sh: unknown option $option" >&2; exit 2 ;;
        *) packages+=("$option") ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# Wine's 32-bit half comes from Debian's i386 packages.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386
then
    $sudo dpkg --add-architecture i386
fi
# A mirror caught mid-sync fails an index now and then: try again, then go on with what came.
for attempt in 1 2 3 4; do
    $sudo apt-get update && break
    [ "$attempt" -lt 4 ] && sleep 15
done
install_missing() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "$@" \
        "${missing[@]}"
}
# When the i386 index of the security updates is the one that failed, Wine's 32-bit libraries
# cannot match the versions of their 64-bit twins and apt gives up: the release's own archive,
# without its security updates, still has every pair.
release_only_install() {
    local parts
    parts=$(mktemp -d)
    for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$list" ] && { grep -v debian-security "$list" || true; } >"$parts/$(basename "$list")"
    done
    for sources in /etc/apt/sources.list.d/*.sources; do
        [ -f "$sources" ] && awk -v RS= -v ORS='\n\n' '!/debian-security/' "$sources" \
            >"$parts/$(basename "$sources")"
    done
    echo "install-deps.sh: trying again without the security updates' archive" >&2
    install_missing -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$parts"
}
install_missing || release_only_install
