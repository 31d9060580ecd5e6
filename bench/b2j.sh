#!/usr/bin/env bash
# BMP to JPG: nalo-convert b2j on twelve-megapixel bitmaps against cjpeg and ImageMagick.
# Usage: bench/b2j.sh [build-dir] [count]
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
COUNT=${2:-20}
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
export NALO_SYSTEM_DIR="$W/system"
convert -size 4000x3000 -seed 5 plasma:fractal -type truecolor BMP3:"$W/src.bmp"
for i in $(seq 1 "$COUNT"); do ln "$W/src.bmp" "$W/p$i.bmp"; done
t() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
tn=$(t "$BUILD/app/nalo-convert" b2j --quality 85 "$W"/p*.bmp)
tc=$(t bash -c "for f in '$W'/p*.bmp; do cjpeg -quality 85 -outfile \"\${f%.bmp}.c.jpg\" \"\$f\"; done")
tm=$(t bash -c "for f in '$W'/p*.bmp; do convert \"\$f\" -quality 85 \"\${f%.bmp}.m.jpg\"; done")
printf 'b2j: %d bitmaps of 4000x3000, quality 85\n' "$COUNT"
printf '  nalo-convert b2j: %6.2f s\n  cjpeg:            %6.2f s  (nalo/cjpeg %.2f)\n  convert:          %6.2f s  (convert/nalo %.2f)\n' \
  "$tn" "$tc" "$(echo "$tn / $tc" | bc -l)" "$tm" "$(echo "$tm / $tn" | bc -l)"
