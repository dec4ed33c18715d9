#!/usr/bin/env bash
# Draws Quorvel's artwork from the SVG sources in art/ into the files the builds use. The results
# are committed, so building never needs this script; run it again after changing a source.
#
# Needs (Debian): librsvg2-bin (rsvg-convert) and imagemagick (convert).
#   apt-get install librsvg2-bin imagemagick
#
# Makes:
#   quorvel.png, quorvel@2x.png           the 32 x 32 window icon at 1x and 2x (Qt)
#   icons/quorvel-<N>.png                 the icon at the sizes a Linux desktop installs
#   quorvel.ico                           the icon at 16 ... 256 for Windows
#   open_folder.png, floppy_disk.png,     the three button pictures at 1x and 2x (Qt),
#   scissors.png, and their @2x           with transparent backgrounds
#   open_folder.bmp, floppy_disk.bmp,     24-bit copies for the Win32 resource file, at 1x and
#   scissors.bmp, and their _2x.bmp       2x, on RGB(192,192,192): loaded with
#                                         LR_LOADMAP3DCOLORS that grey becomes the button face
set -euo pipefail
cd "$(dirname "$0")"

convert=/usr/bin/convert  # ImageMagick itself, whatever else stands first on PATH
for tool in rsvg-convert "$convert"; do
    command -v "$tool" >/dev/null || { echo "needs $tool (see the notes at the top)" >&2; exit 1; }
done

# PNGs without time stamps, so that drawing again gives the same bytes.
png() { "$convert" "$1" -strip -define png:exclude-chunks=date,time "PNG32:$2"; }
render() {  # svg zoom out.png
    rsvg-convert --zoom "$2" "$1" -o "$3.tmp.png"
    png "$3.tmp.png" "$3"
    rm -f "$3.tmp.png"
}
bmp() {  # png out.bmp
    "$convert" "$1" -background "rgb(192,192,192)" -alpha remove -alpha off -type TrueColor \
        "BMP3:$2"
}

for picture in open_folder floppy_disk scissors; do
    render "art/$picture.svg" 1 "$picture.png"
    render "art/$picture.svg" 2 "$picture@2x.png"
    bmp "$picture.png" "$picture.bmp"
    bmp "$picture@2x.png" "${picture}_2x.bmp"
done

render art/quorvel.svg 1 quorvel.png
render art/quorvel.svg 2 quorvel@2x.png
mkdir -p icons
sizes=(16 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
    rsvg-convert --width "$size" --height "$size" art/quorvel.svg -o "icons/quorvel-$size.tmp.png"
    png "icons/quorvel-$size.tmp.png" "icons/quorvel-$size.png"
    rm -f "icons/quorvel-$size.tmp.png"
done
"$convert" $(printf 'icons/quorvel-%s.png ' "${sizes[@]}") quorvel.ico
