#!/usr/bin/env bash
# AVI to animated GIF: nalo-convert avi2gif --optimize against ffmpeg's default GIF path.
# Usage: bench/avi2gif.sh [build-dir]
source "$(dirname "$0")/mjpeg_clip.sh"
tn=$(t "$NC" avi2gif --optimize "$W/in.avi" "$W/nalo.gif")
tf=$(t ffmpeg -loglevel error -y -i "$W/in.avi" "$W/ffmpeg.gif")
sn=$(stat -c %s "$W/nalo.gif"); sf=$(stat -c %s "$W/ffmpeg.gif")
printf 'avi2gif 640x480 25fps 10s MJPEG (250 frames)\n'
printf '  nalo-convert --optimize: %6.2f s  %9d bytes\n' "$tn" "$sn"
printf '  ffmpeg in.avi out.gif:   %6.2f s  %9d bytes\n' "$tf" "$sf"
printf '  time ratio ffmpeg/nalo: %.2f   size ratio nalo/ffmpeg: %.2f\n' "$(echo "$tf / $tn" | bc -l)" "$(echo "$sn / $sf" | bc -l)"
