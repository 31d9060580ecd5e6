#!/usr/bin/env bash
# Animated GIF to frames: nalo-convert g2g (composed BMP frames) against gifsicle
# --explode (GIF frames, not composed) and ImageMagick -coalesce to BMP; wall time and
# peak memory. Usage: bench/g2g.sh [build-dir] [frames]
set -euo pipefail
BUILD=${1:-build}
FRAMES=${2:-250}
NC="$BUILD/app/nalo-convert"
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
ffmpeg -loglevel error -f lavfi -i testsrc2=size=640x480:rate=25 -frames:v "$FRAMES" "$W/in.gif"
mkdir "$W/nalo" "$W/gifsicle" "$W/magick"
cp "$W/in.gif" "$W/nalo/x.gif"
# Prints "seconds peak-KB" of one run.
measure() { /usr/bin/time -f '%e %M' -o "$W/time" "$@" >/dev/null 2>&1 || true; tail -1 "$W/time"; }
read -r tn mn < <(measure "$NC" g2g "$W/nalo/x.gif")
read -r tg mg < <(measure gifsicle --explode "$W/in.gif" -o "$W/gifsicle/frame")
read -r tm mm < <(measure convert "$W/in.gif" -coalesce "$W/magick/frame_%03d.bmp")
count() { find "$1" -name "$2" | wc -l; }
printf 'g2g %s frames 640x480 (%d bytes of GIF)\n' "$FRAMES" "$(stat -c %s "$W/in.gif")"
printf '  %-40s %6.2f s  %7d KB peak  %4d files\n' "nalo-convert g2g (BMP, composed)" "$tn" "$mn" "$(count "$W/nalo" 'x_*.bmp')"
printf '  %-40s %6.2f s  %7d KB peak  %4d files\n' "gifsicle --explode (GIF, not composed)" "$tg" "$mg" "$(count "$W/gifsicle" 'frame*')"
printf '  %-40s %6.2f s  %7d KB peak  %4d files\n' "convert -coalesce frame_%03d.bmp" "$tm" "$mm" "$(count "$W/magick" 'frame_*.bmp')"
