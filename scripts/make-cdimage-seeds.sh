#!/usr/bin/env bash
# Writes the seed inputs of the cdimage fuzz target into a folder (default
# tests/fuzz/corpus/cdimage): first byte 0 a cue sheet, 1 a .toc file, 2 a Nero image,
# then the image. Cue sheets and .toc files name "track.bin" (16 frames) beside them.
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")/.." && pwd)/tests/fuzz/corpus/cdimage}
mkdir -p "$out"

be() {  # value bytes: big-endian bytes as printf escapes
    local v=$1 n=$2 s=""
    for ((i = n - 1; i >= 0; i--)); do s+=$(printf '\\x%02x' $(((v >> (8 * i)) & 255))); done
    printf '%s' "$s"
}
chunk() { printf '%s%s' "$1" "$(be $(($2)) 4)"; }

{ printf '\0'; cat <<'CUE'
REM several tracks, an INDEX 00 and a PREGAP
TITLE "Disc"
PERFORMER "Band"
FILE "track.bin" BINARY
  TRACK 01 AUDIO
    TITLE "One"
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 00 00:00:04
    INDEX 01 00:00:05
  TRACK 03 AUDIO
    PREGAP 00:00:02
    INDEX 01 00:00:09
  TRACK 04 MODE1/2352
    INDEX 01 00:00:13
CUE
} > "$out/pregaps.cue.bin"

{ printf '\0'; cat <<'CUE'
FILE "track.bin" BINARY
  TRACK 01 AUDIO
    INDEX 00 00:00:00
    INDEX 01 00:00:02
FILE "./track.bin" BINARY
  TRACK 02 AUDIO
    INDEX 01 00:00:03
    INDEX 02 00:00:06
CUE
} > "$out/two-files.cue.bin"

{ printf '\1'; cat <<'TOC'
CD_DA
CD_TEXT { LANGUAGE_MAP { 0 : EN } LANGUAGE 0 { TITLE "Disc" PERFORMER "Band" } }
// track 1: a pregap, then five frames
TRACK AUDIO
NO COPY
CD_TEXT { LANGUAGE 0 { TITLE "One" PERFORMER "P\"1" } }
PREGAP 00:00:01
FILE "track.bin" 0 00:00:05
TRACK AUDIO
FILE "track.bin" #11760 00:00:04
START 00:00:01
TRACK AUDIO
SILENCE 00:00:02
AUDIOFILE "track.bin" 00:00:09 2352
INDEX 00:00:01
TRACK MODE1_RAW
DATAFILE "track.bin" #35280 00:00:01
TOC
} > "$out/tracks.toc.bin"

# Nero images: 5 frames of data (the first the first track's pregap; the second track
# with a pregap of one frame), then the chunks.
nrg() {  # version kind: 1 or 2, dao or tao
    local v=$1 kind=$2 w=$((4 * $1)) f=2352
    local data=$((5 * f)) body=""
    if [ "$kind" = dao ]; then
        local entries=""
        entries+="$(be 0 12)$(be $f 2)$(be 7 1)$(be 0 1)$(be 1 2)$(be 0 $w)$(be $((1 * f)) $w)$(be $((2 * f)) $w)"
        entries+="$(be 0 12)$(be $f 2)$(be 7 1)$(be 0 1)$(be 1 2)$(be $((2 * f)) $w)$(be $((3 * f)) $w)$(be $((4 * f)) $w)"
        entries+="$(be 0 12)$(be $f 2)$(be 7 1)$(be 0 1)$(be 1 2)$(be $((4 * f)) $w)$(be $((4 * f)) $w)$(be $((5 * f)) $w)"
        local daohead="$(be 0 4)$(be 0 14)$(be 0 2)$(be 1 1)$(be 3 1)"
        local id=DAOI; [ "$v" = 2 ] && id=DAOX
        local cues="$(be $((0x01000000)) 4)$(be $((-150 & 0xffffffff)) 4)$(be $((0x01010000)) 4)$(be 0 4)"
        local cid=CUES; [ "$v" = 2 ] && cid=CUEX
        body+="$(chunk $cid 16)$cues$(chunk $id $((22 + 3 * (18 + 3 * w))))$daohead$entries"
    else
        local entries=""
        for t in 1 2 3; do
            entries+="$(be $((t * f)) $w)$(be $f $w)$(be 7 4)$(be 0 4)$(be 0 4)"
        done
        local id=ETNF; [ "$v" = 2 ] && id=ETN2
        body+="$(chunk $id $((3 * (2 * w + 12))))$entries"
    fi
    body+="$(chunk SINF 4)$(be 3 4)$(chunk END! 0)"
    printf '\2'
    head -c $data /dev/zero | tr '\0' '\125'
    printf '%b' "$body"
    if [ "$v" = 2 ]; then printf 'NER5%b' "$(be $data 8)"; else printf 'NERO%b' "$(be $data 4)"; fi
}
nrg 1 dao > "$out/v1-dao.nrg.bin"
nrg 2 dao > "$out/v2-dao.nrg.bin"
nrg 1 tao > "$out/v1-tao.nrg.bin"
nrg 2 tao > "$out/v2-tao.nrg.bin"
