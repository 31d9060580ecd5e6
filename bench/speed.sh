#!/usr/bin/env bash
# One table of the picture conversions and AVI to GIF: nalo-convert and its peer on
# the same file in the same run, median of RUNS runs each, time ratio and peak memory,
# with cp of the source as the floor. PCX to BMP also runs on a photograph (from the
# Debian package lomiri-wallpapers-20.04; its rows are skipped when it is missing) and
# on noise, run-length encoded and uncompressed; the run-length photograph also to TGA.
# Usage: bench/speed.sh [build-dir] [runs]
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-5}
NC="$BUILD/app/nalo-convert"
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT

convert -size 6000x4000 -seed 9 plasma:fractal -type truecolor "$W/src.png"
convert "$W/src.png" -type truecolor -compress None "$W/t.tga"
convert "$W/src.png" -type truecolor -compress None "$W/p.pcx"
convert "$W/src.png" -type truecolor BMP3:"$W/b.bmp"
PHOTO=/usr/share/backgrounds/Kleiber_by_Lukas_Baubkus.jpg
if [ -f "$PHOTO" ]; then
  convert "$PHOTO" -resize '6000x4000^' -gravity center -extent 6000x4000 -type truecolor "$W/photo.png"
  convert "$W/photo.png" -type truecolor "$W/photo-rle.pcx"
  convert "$W/photo.png" -type truecolor -compress None "$W/photo-raw.pcx"
  rm "$W/photo.png"
fi
convert -size 6000x4000 xc: -seed 5 +noise Random -type truecolor "$W/noise-rle.pcx"
convert "$W/noise-rle.pcx" -type truecolor -compress None "$W/noise-raw.pcx"
ffmpeg -loglevel error -f lavfi -i testsrc2=size=640x480:rate=25 -t 10 -c:v mjpeg -q:v 3 "$W/in.avi"

# One run of a command: "seconds peak-KB", the time to the millisecond.
once() {
  local s=$EPOCHREALTIME
  /usr/bin/time -f '%M' -o "$W/time" "$@" >/dev/null 2>&1
  printf '%.3f %s\n' "$(echo "$EPOCHREALTIME - $s" | bc)" "$(cat "$W/time")"
}
# Median time and median peak memory of RUNS runs.
median() {
  local i out=() mem=()
  for ((i = 0; i < RUNS; i++)); do
    read -r s m < <(once "$@")
    out+=("$s")
    mem+=("$m")
  done
  printf '%s %s\n' "$(printf '%s\n' "${out[@]}" | sort -g | sed -n "$(((RUNS + 1) / 2))p")" \
    "$(printf '%s\n' "${mem[@]}" | sort -g | sed -n "$(((RUNS + 1) / 2))p")"
}
row() {
  local name=$1 src=$2 peer=$3
  shift 3
  read -r tn mn < <(median "$NC" "$@")
  read -r tp mp < <(median bash -c "$peer")
  read -r tc _ < <(median cp "$src" "$W/cp.out")
  local floor=-
  [ "$(echo "$tc > 0" | bc)" = 1 ] && floor=$(printf '%.2f' "$(echo "$tn / $tc" | bc -l)")
  printf '%-9s %7.3f %7d %7.3f %7d %6.2f %7.3f %6s %6d\n' "$name" "$tn" $((mn / 1024)) "$tp" $((mp / 1024)) \
    "$(echo "$tp / $tn" | bc -l)" "$tc" "$floor" $(($(stat -c %s "$src") / 1048576))
}

echo "6000x4000 (24 MP) pictures (smooth fractal unless named), uncompressed output; 640x480 250-frame MJPEG AVI; median of $RUNS"
printf '%-9s %7s %7s %7s %7s %6s %7s %6s %6s\n' kind nalo_s nalo_MB peer_s peer_MB peer/n cp_s n/cp src_MB
row TGA-BMP "$W/t.tga" "convert '$W/t.tga' BMP3:'$W/m.bmp'" tgapcx tga2bmp "$W/t.tga"
row BMP-TGA "$W/b.bmp" "convert '$W/b.bmp' -compress None '$W/m.tga'" tgapcx bmp2tga "$W/b.bmp"
row PCX-BMP "$W/p.pcx" "convert '$W/p.pcx' BMP3:'$W/m2.bmp'" tgapcx pcx2bmp "$W/p.pcx"
for src in photo-rle photo-raw noise-rle noise-raw; do
  [ -f "$W/$src.pcx" ] || { echo "$src: skipped (apt-get install lomiri-wallpapers-20.04)"; continue; }
  row "$src" "$W/$src.pcx" "convert '$W/$src.pcx' BMP3:'$W/m3.bmp'" tgapcx pcx2bmp "$W/$src.pcx"
done
[ -f "$W/photo-rle.pcx" ] &&
  row photo-TGA "$W/photo-rle.pcx" "convert '$W/photo-rle.pcx' -compress None '$W/m3.tga'" tgapcx pcx2tga "$W/photo-rle.pcx"
row BMP-PCX "$W/b.bmp" "convert '$W/b.bmp' -compress None '$W/m.pcx'" tgapcx bmp2pcx "$W/b.bmp"
row AVI-GIF "$W/in.avi" "ffmpeg -loglevel error -y -i '$W/in.avi' '$W/f.gif'" avi2gif --optimize "$W/in.avi" "$W/n.gif"
printf 'GIF bytes: nalo %d, ffmpeg %d\n' "$(stat -c %s "$W/n.gif")" "$(stat -c %s "$W/f.gif")"
