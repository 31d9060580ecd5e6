# Sourced by the AVI benchmarks: NC (nalo-convert of build dir $1), a scratch folder W
# removed on exit holding in.avi (10 s of 640x480 25 fps MJPEG, 250 frames), and
# t CMD... printing the seconds CMD takes.
set -euo pipefail
BUILD=${1:-build}
NC="$BUILD/app/nalo-convert"
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
ffmpeg -loglevel error -f lavfi -i testsrc2=size=640x480:rate=25 -t 10 -c:v mjpeg -q:v 3 "$W/in.avi"
t() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
