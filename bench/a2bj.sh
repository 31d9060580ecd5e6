#!/usr/bin/env bash
# AVI frames to BMP files: nalo-convert a2bj against ffmpeg's BMP image writer,
# median of 3 runs each.
# Usage: bench/a2bj.sh [build-dir]
source "$(dirname "$0")/mjpeg_clip.sh"
tn=$(run "$NC" a2bj --out "$W/out" "$W/in.avi")
nn=$(ls "$W/out" | wc -l); sn=$(du -sb "$W/out" | cut -f1)
tf=$(run ffmpeg -loglevel error -y -i "$W/in.avi" -pix_fmt bgr24 "$W/out/out%04d.bmp")
nf=$(ls "$W/out" | wc -l); sf=$(du -sb "$W/out" | cut -f1)
printf 'a2bj 640x480 25fps 10s MJPEG (250 frames) -> BMP files, median of 3\n'
printf '  nalo-convert a2bj:               %6.2f s  %4d files %10d bytes\n' "$tn" "$nn" "$sn"
printf '  ffmpeg -pix_fmt bgr24 %%04d.bmp:  %6.2f s  %4d files %10d bytes\n' "$tf" "$nf" "$sf"
printf '  time ratio nalo/ffmpeg: %.2f\n' "$(echo "$tn / $tf" | bc -l)"
