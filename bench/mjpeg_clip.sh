# Sourced by the AVI benchmarks: NC (nalo-convert of build dir $1), a scratch folder W
# removed on exit holding in.avi (10 s of 640x480 25 fps MJPEG, 250 frames), and
# the timing helpers (t, median, run).
set -euo pipefail
BUILD=${1:-build}
NC="$BUILD/app/nalo-convert"
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
ffmpeg -loglevel error -f lavfi -i testsrc2=size=640x480:rate=25 -t 10 -c:v mjpeg -q:v 3 "$W/in.avi"
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"
