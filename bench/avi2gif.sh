#!/usr/bin/env bash
# AVI to animated GIF: nalo-convert avi2gif --optimize against ffmpeg's default GIF path,
# on the 10 s clip, then time and peak memory by clip length (250 to 2000 frames).
# Usage: bench/avi2gif.sh [build-dir]
source "$(dirname "$0")/mjpeg_clip.sh"
tn=$(t "$NC" avi2gif --optimize "$W/in.avi" "$W/nalo.gif")
tf=$(t ffmpeg -loglevel error -y -i "$W/in.avi" "$W/ffmpeg.gif")
sn=$(stat -c %s "$W/nalo.gif"); sf=$(stat -c %s "$W/ffmpeg.gif")
printf 'avi2gif 640x480 25fps 10s MJPEG (250 frames)\n'
printf '  nalo-convert --optimize: %6.2f s  %9d bytes\n' "$tn" "$sn"
printf '  ffmpeg in.avi out.gif:   %6.2f s  %9d bytes\n' "$tf" "$sf"
printf '  time ratio ffmpeg/nalo: %.2f   size ratio nalo/ffmpeg: %.2f\n' "$(echo "$tf / $tn" | bc -l)" "$(echo "$sn / $sf" | bc -l)"

# "seconds peak-MB" of one run.
peak() { /usr/bin/time -f '%e %M' -o "$W/time" "$@" >/dev/null 2>&1; awk '{printf "%s %d\n", $1, $2 / 1024}' "$W/time"; }
printf '\nby clip length (one run each)  nalo_s nalo_MB ffmpeg_s ffmpeg_MB\n'
for s in 10 20 40 80; do
  ffmpeg -loglevel error -y -f lavfi -i testsrc2=size=640x480:rate=25 -t $s -c:v mjpeg -q:v 3 "$W/long.avi"
  read -r tn mn < <(peak "$NC" avi2gif --optimize "$W/long.avi" "$W/long.gif")
  read -r tf mf < <(peak ffmpeg -loglevel error -y -i "$W/long.avi" "$W/long-ffmpeg.gif")
  printf '  %4d frames                  %7.2f %7d %8.2f %9d\n' $((s * 25)) "$tn" "$mn" "$tf" "$mf"
done
