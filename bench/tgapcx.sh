#!/usr/bin/env bash
# TGA/PCX conversions of a 24-megapixel picture: nalo-convert tgapcx against ImageMagick.
# Usage: bench/tgapcx.sh [build-dir]
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
NC="$BUILD/app/nalo-convert"
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
mkdir -p "$W/n" "$W/m"
convert -size 6000x4000 -seed 9 plasma:fractal -type truecolor "$W/src.png"
for d in n m; do
  convert "$W/src.png" -type truecolor -compress None "$W/$d/t.tga"
  convert "$W/src.png" -type truecolor -compress None "$W/$d/p.pcx"
  convert "$W/src.png" -type truecolor BMP3:"$W/$d/b.bmp"
done
t() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
row() {
  local name=$1 tn=$2 tm=$3
  printf '  %-9s nalo %6.3f s   convert %6.3f s   convert/nalo %5.2f\n' "$name" "$tn" "$tm" "$(echo "$tm / $tn" | bc -l)"
}
echo "tgapcx: 6000x4000 (24 MP), uncompressed output"
row "TGA->BMP" "$(t "$NC" tgapcx 0 "$W/n/t.tga")" "$(t convert "$W/m/t.tga" BMP3:"$W/m/t.bmp")"
row "PCX->BMP" "$(t "$NC" tgapcx 2 "$W/n/p.pcx")" "$(t convert "$W/m/p.pcx" BMP3:"$W/m/p.bmp")"
row "BMP->TGA" "$(t "$NC" tgapcx 4 "$W/n/b.bmp")" "$(t convert "$W/m/b.bmp" -compress None "$W/m/b.tga")"
row "BMP->PCX" "$(t "$NC" tgapcx 5 "$W/n/b.bmp")" "$(t convert "$W/m/b.bmp" -compress None "$W/m/b.pcx")"
