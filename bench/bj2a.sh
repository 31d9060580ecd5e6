#!/usr/bin/env bash
# Images to AVI: nalo-convert bj2a against ffmpeg on 250 BMPs of 640 x 480, uncompressed
# and Motion JPEG, median of 3 runs each.
# Usage: bench/bj2a.sh [build-dir]
set -euo pipefail
BUILD=${1:-build}
NC="$(cd "$BUILD" && pwd)/app/nalo-convert"
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
ffmpeg -loglevel error -f lavfi -i testsrc2=size=640x480:rate=25 -frames:v 250 -pix_fmt bgr24 "$W/%04d.bmp"
t() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
median3() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
run3() { median3 "$(t "$@")" "$(t "$@")" "$(t "$@")"; }
cd "$W"
printf 'bj2a: 250 BMPs 640x480 -> AVI (median of 3)\n'
for codec in raw:rawvideo mjpeg:mjpeg; do
  n=${codec%%:*}; f=${codec##*:}
  tn=$(run3 "$NC" bj2a --fps 25 --codec "$n" "nalo-$n.avi" ./[0-9]*.bmp)
  tf=$(run3 ffmpeg -loglevel error -y -framerate 25 -i %04d.bmp -c:v "$f" "ffmpeg-$n.avi")
  sn=$(stat -c %s "nalo-$n.avi"); sf=$(stat -c %s "ffmpeg-$n.avi")
  printf '  %-5s nalo-convert %6.2f s %11d bytes   ffmpeg %6.2f s %11d bytes   nalo/ffmpeg time %.2f\n' \
    "$n" "$tn" "$sn" "$tf" "$sf" "$(echo "$tn / $tf" | bc -l)"
done
