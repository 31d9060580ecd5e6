#!/usr/bin/env bash
# AVI to animated GIF: nalo-convert avi2gif --optimize against ffmpeg's default GIF path.
# Usage: bench/avi2gif.sh [build-dir]
set -euo pipefail
BUILD=${1:-build}
NC="$BUILD/app/nalo-convert"
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
ffmpeg -loglevel error -f lavfi -i testsrc2=size=640x480:rate=25 -t 10 -c:v mjpeg -q:v 3 "$W/in.avi"
t() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
tn=$(t "$NC" avi2gif --optimize "$W/in.avi" "$W/nalo.gif")
tf=$(t ffmpeg -loglevel error -y -i "$W/in.avi" "$W/ffmpeg.gif")
sn=$(stat -c %s "$W/nalo.gif"); sf=$(stat -c %s "$W/ffmpeg.gif")
printf 'avi2gif 640x480 25fps 10s MJPEG (250 frames)\n'
printf '  nalo-convert --optimize: %6.2f s  %9d bytes\n' "$tn" "$sn"
printf '  ffmpeg in.avi out.gif:   %6.2f s  %9d bytes\n' "$tf" "$sf"
printf '  time ratio ffmpeg/nalo: %.2f   size ratio nalo/ffmpeg: %.2f\n' "$(echo "$tf / $tn" | bc -l)" "$(echo "$sn / $sf" | bc -l)"
