#!/bin/sh
# Colour-depth conversion of a 12-megapixel photograph-like picture: nalo-convert
# cdepth against ImageMagick. Usage: bench/cdepth.sh [BUILD_DIR]
set -e
BUILD=${1:-build}
NC=$(ls "$BUILD"/app/nalo-convert "$BUILD"/nalo-convert 2>/dev/null | head -1)
[ -x "$NC" ] || { echo "nalo-convert not found under $BUILD" >&2; exit 1; }
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
convert -seed 1 -size 4000x3000 plasma:fractal -attenuate 0.3 +noise Gaussian BMP3:"$T/in.bmp"
# The palettes ImageMagick remaps to: the web-safe cube and the 16 colours.
convert -size 1x1 xc:black xc:maroon xc:green xc:olive xc:navy xc:purple xc:teal xc:silver \
    xc:gray50 xc:red xc:lime xc:yellow xc:blue xc:fuchsia xc:aqua xc:white +append "$T/pal16.gif"
convert -size 216x1 xc: -channel R -fx "(i%6)/5" -channel G -fx "(floor(i/6)%6)/5" \
    -channel B -fx "floor(i/36)/5" +channel "$T/web.gif"

now() { date +%s.%N; }
run() {  # label, command...
    label=$1; shift
    s=$(now); "$@" >/dev/null 2>&1; e=$(now)
    echo "$e - $s" | bc
}
report() {
    ratio=$(echo "scale=2; $3 / $2" | bc)
    printf '%-34s nalo %6.2f s   ImageMagick %6.2f s   ratio %sx\n' "$1" "$2" "$3" "$ratio"
}
n=$(run n1 "$NC" cdepth --depth 256 --method optimal "$T/in.bmp" "$T/n1.bmp")
m=$(run m1 convert "$T/in.bmp" -colors 236 BMP3:"$T/m1.bmp")
report "256 colours, optimal palette" "$n" "$m"
n=$(run n2 "$NC" cdepth --depth 256 --method effect --palette websafe "$T/in.bmp" "$T/n2.bmp")
m=$(run m2 convert "$T/in.bmp" -dither FloydSteinberg -remap "$T/web.gif" BMP3:"$T/m2.bmp")
report "256 colours, effect, web-safe" "$n" "$m"
n=$(run n3 "$NC" cdepth --depth 16 --method effect "$T/in.bmp" "$T/n3.bmp")
m=$(run m3 convert "$T/in.bmp" -dither FloydSteinberg -remap "$T/pal16.gif" BMP3:"$T/m3.bmp")
report "16 colours, effect" "$n" "$m"
