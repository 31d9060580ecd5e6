#!/usr/bin/env bash
# nalo-convert -j 2 against -j 1: 48 twelve-megapixel bitmaps through tgapcx and b2j.
# Usage: bench/parallel.sh [build-dir] [count]
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
COUNT=${2:-48}
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
export NALO_SYSTEM_DIR="$W/system"
convert -size 4000x3000 -seed 5 plasma:fractal -type truecolor BMP3:"$W/src.bmp"
for i in $(seq 1 "$COUNT"); do cp "$W/src.bmp" "$W/p$i.bmp"; done
t() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
printf '%d bitmaps of 4000x3000, %s cores, load average %s\n' "$COUNT" "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
for run in "tgapcx bmp2tga" "b2j --quality 85"; do
  t1=$(t "$BUILD/app/nalo-convert" $run -j 1 "$W"/p*.bmp)
  t2=$(t "$BUILD/app/nalo-convert" $run -j 2 "$W"/p*.bmp)
  printf '  %-18s -j 1 %6.2f s   -j 2 %6.2f s   speed-up %.2f\n' "$run" "$t1" "$t2" "$(echo "$t1 / $t2" | bc -l)"
done
printf 'load average after: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
