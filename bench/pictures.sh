#!/bin/bash
# PNG reading: a 24-megapixel PNG to BMP and TGA, and 250 small PNG frames to BMP, by
# nalo-convert tgapcx against ImageMagick (convert, and mogrify for the frames); AVI
# frames to PNG by a2bj --png against ffmpeg.
# Usage: bench/pictures.sh [BUILD_DIR]
set -e
BUILD=${1:-build}
NC=$(ls "$BUILD"/app/nalo-convert "$BUILD"/nalo-convert 2>/dev/null | head -1)
[ -x "$NC" ] || { echo "nalo-convert not found under $BUILD" >&2; exit 1; }
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
. "$(dirname "$0")/timing.sh"
convert -seed 1 -size 6000x4000 plasma:fractal -attenuate 0.3 +noise Gaussian -depth 8 PNG24:"$W/big.png"
mkdir "$W/frames"
convert -seed 2 -size 320x240 plasma:fractal -depth 8 PNG24:"$W/frame.png"
for i in $(seq -w 1 250); do cp "$W/frame.png" "$W/frames/f$i.png"; done

report() { printf '%-28s nalo %6.2f s   ImageMagick %6.2f s   ratio %sx\n' "$1" "$2" "$3" "$(echo "scale=2; $3 / $2" | bc)"; }
inout() { cp "$W/big.png" "$W/out/big.png"; "$@"; }
n=$(run inout "$NC" tgapcx png2bmp "$W/out/big.png")
m=$(run convert "$W/big.png" BMP3:"$W/out/big.bmp")
report "24 MP PNG -> BMP" "$n" "$m"
n=$(run inout "$NC" tgapcx png2tga "$W/out/big.png")
m=$(run convert "$W/big.png" -compress None TGA:"$W/out/big.tga")
report "24 MP PNG -> TGA" "$n" "$m"
frames() { cp "$W"/frames/*.png "$W/out/"; "$@" "$W"/out/*.png; }
n=$(run frames "$NC" tgapcx png2bmp)
m=$(run frames mogrify -format bmp -type truecolor)
report "250 PNG frames -> BMP" "$n" "$m"

# PNG frames out: 250 frames of a 640x480 AVI by a2bj --png against ffmpeg's PNG writer.
ffmpeg -loglevel error -y -f lavfi -i testsrc2=size=640x480:rate=25 -frames:v 250 -c:v rawvideo -pix_fmt bgr24 "$W/in.avi"
n=$(run "$NC" a2bj --png --out "$W/out" "$W/in.avi")
f=$(run ffmpeg -loglevel error -y -i "$W/in.avi" "$W/out/%04d.png")
printf '%-28s nalo %6.2f s   ffmpeg %6.2f s   ratio nalo/ffmpeg %s\n' "250 AVI frames -> PNG" "$n" "$f" \
    "$(echo "scale=2; $n / $f" | bc)"
