#!/usr/bin/env bash
# The install teaches the desktop what a piece is and that Quorvel opens it: installed into a
# staging prefix, with the databases built there, and xdg-mime asked with the machine's own set-up
# out of the way (empty data and configuration homes).
# Usage: tests/desktop_test.sh BUILD_FOLDER
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
stage=$scratch/stage
mkdir "$scratch/data" "$scratch/config" "$scratch/files"
export XDG_DATA_DIRS=$stage/usr/share XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
cmake --install "$build" --prefix "$stage/usr" >/dev/null
update-mime-database "$stage/usr/share/mime"
update-desktop-database "$stage/usr/share/applications"
desktop-file-validate "$stage/usr/share/applications/quorvel.desktop"
printf 'piece' > "$scratch/files/a.bin_3.XST"
printf 'piece' > "$scratch/files/a.bin_1.xst"

expect() {  # what, seen, wanted
    if [ "$2" != "$3" ]; then
        echo "desktop_test: $1 is '$2', not '$3'" >&2
        exit 1
    fi
}
expect "the type of a.bin_3.XST" "$(xdg-mime query filetype "$scratch/files/a.bin_3.XST")" \
    application/x-quorvel-piece
expect "the type of a.bin_1.xst" "$(xdg-mime query filetype "$scratch/files/a.bin_1.xst")" \
    application/x-quorvel-piece
expect "the program for a piece" "$(xdg-mime query default application/x-quorvel-piece)" \
    quorvel.desktop
grep -qx 'Exec=quorvel %f' "$stage/usr/share/applications/quorvel.desktop"
echo "desktop_test: a piece is application/x-quorvel-piece, opened by quorvel.desktop"
