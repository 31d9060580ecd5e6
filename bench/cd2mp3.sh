#!/usr/bin/env bash
# Audio-CD track to MP3 at 160 kbit/s: nalo-convert cd2mp3 from a disc image against
# lame -b 160 on the same audio as a WAV file, median of 3; and the WAV rip speed.
# Usage: bench/cd2mp3.sh [build-dir]
set -euo pipefail
BUILD=${1:-build}
NC="$(cd "$BUILD" && pwd)/app/nalo-convert"
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
# Fresh components from this build's pack.
export NALO_SYSTEM_DIR="$W/system"
source "$(dirname "$0")/timing.sh"
# 60 s of CD audio (4500 frames): two tones over pink noise, as a .bin/.cue and as a WAV.
ffmpeg -loglevel error -f lavfi -i "anoisesrc=color=pink:amplitude=0.2:duration=60" \
    -f lavfi -i "sine=frequency=440:duration=60" -f lavfi -i "sine=frequency=1250:duration=60" \
    -filter_complex "[0][1][2]amix=inputs=3,aformat=sample_fmts=s16:channel_layouts=stereo" \
    -ar 44100 -f s16le "$W/disc.bin"
printf 'FILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n' > "$W/disc.cue"
ffmpeg -loglevel error -f s16le -ar 44100 -ac 2 -i "$W/disc.bin" -c:a pcm_s16le "$W/in.wav"
"$NC" cd2mp3 --list --image "$W/disc.cue" >/dev/null  # unpacks the components

tn=$(run "$NC" cd2mp3 --image "$W/disc.cue" --tracks 1 --bitrate 160 --out "$W/out")
sn=$(stat -c %s "$W/out/Track 01.mp3")
tl=$(run lame --quiet -b 160 "$W/in.wav" "$W/out/lame.mp3")
sl=$(stat -c %s "$W/out/lame.mp3")
tw=$(run "$NC" cd2mp3 --image "$W/disc.cue" --tracks 1 --to wav --out "$W/out")
sw=$(stat -c %s "$W/out/Track 01.wav")
printf 'cd2mp3: 60 s CD track (4500 frames) from a disc image, median of 3\n'
printf '  nalo-convert cd2mp3 --bitrate 160:  %6.2f s  %8d bytes\n' "$tn" "$sn"
printf '  lame -b 160 (same audio as WAV):    %6.2f s  %8d bytes\n' "$tl" "$sl"
printf '  time ratio nalo/lame: %.2f\n' "$(echo "$tn / $tl" | bc -l)"
printf '  nalo-convert cd2mp3 --to wav:       %6.2f s  %8d bytes  %.0f MB/s\n' "$tw" "$sw" \
    "$(echo "$sw / 1000000 / $tw" | bc -l)"
