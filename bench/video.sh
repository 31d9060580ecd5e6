#!/usr/bin/env bash
# Video tools against ffmpeg on a 600-frame 1280 x 720 H.264 MP4: to GIF (avi2gif),
# to BMP frames (a2bj), and 250 BMPs of 640 x 480 to an H.264 MP4 (bj2a; ffmpeg with
# libx264 at the same preset, medium, and the same crf). Median of RUNS (5) runs each.
# Usage: bench/video.sh [build-dir]
set -euo pipefail
BUILD=${1:-build}
RUNS=${RUNS:-5}
NC="$(cd "$BUILD" && pwd)/app/nalo-convert"
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
cd "$W"
ffmpeg -loglevel error -f lavfi -i testsrc2=size=1280x720:rate=30 -frames:v 600 -c:v libx264 -pix_fmt yuv420p in.mp4
mkdir pics
ffmpeg -loglevel error -f lavfi -i testsrc2=size=640x480:rate=25 -frames:v 250 -pix_fmt bgr24 pics/%04d.bmp
t() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
median() { local v=() i; for ((i = 0; i < RUNS; i++)); do v+=("$($1)"); done; printf '%s\n' "${v[@]}" | sort -g | sed -n "$(((RUNS + 1) / 2))p"; }
fresh() { rm -rf "$1" && mkdir "$1"; }

nalo_gif() { t "$NC" avi2gif in.mp4 nalo.gif; }
ffmpeg_gif() { t ffmpeg -loglevel error -y -i in.mp4 ffmpeg.gif; }
nalo_frames() { fresh nf; t "$NC" a2bj --out nf in.mp4; }
ffmpeg_frames() { fresh ff; t ffmpeg -loglevel error -i in.mp4 ff/%04d.bmp; }
nalo_mp4() { t "$NC" bj2a --fps 25 --codec h264 --quality 75 nalo.mp4 pics/*.bmp; }
# quality 75 is crf 51 - 51 x 0.75 = 12.75 in nalo-convert
ffmpeg_mp4() { t ffmpeg -loglevel error -y -framerate 25 -i pics/%04d.bmp -c:v libx264 -preset medium -crf 12.75 -pix_fmt yuv420p ffmpeg.mp4; }

printf 'load average: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-44s %12s %12s %10s\n' "job (median of $RUNS)" "nalo-convert" "ffmpeg" "ffmpeg/nalo"
for job in gif frames mp4; do
  case $job in
  gif) name="600 x 1280x720 H.264 MP4 -> GIF" ;;
  frames) name="600 x 1280x720 H.264 MP4 -> BMP frames" ;;
  mp4) name="250 BMPs 640x480 -> H.264 MP4" ;;
  esac
  tn=$(median "nalo_$job"); tf=$(median "ffmpeg_$job")
  printf '%-44s %10.2f s %10.2f s %10.2f\n' "$name" "$tn" "$tf" "$(echo "$tf / $tn" | bc -l)"
done
printf 'load average: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
printf 'sizes: nalo.gif %d, ffmpeg.gif %d, nalo.mp4 %d, ffmpeg.mp4 %d bytes\n' "$(stat -c %s nalo.gif)" \
  "$(stat -c %s ffmpeg.gif)" "$(stat -c %s nalo.mp4)" "$(stat -c %s ffmpeg.mp4)"
