#!/bin/sh
# The page's soundtrack in three formats; each browser fetches one. Opus in Ogg at 64 kbit/s, the smallest
# (tools/compare_audio.py chose the rate: the lowest whose band energies stay close to the original's);
# the .ogg as it is; AAC in MP4 for browsers that play neither (Safari before 18.4, some phones). A file
# ffmpeg cannot read goes out unchanged in every format, so the page meets it as the demo meets a corrupt
# soundtrack: its own message, then silence.
#   soundtrack.sh SOUNDTRACK.ogg OUTDIR
set -eu
cp "$1" "$2/soundtrack.ogg"
encode() {
    out=$1
    shift
    if ! ffmpeg -nostdin -loglevel error -y -i "$src" -vn -map_metadata -1 "$@" -fflags +bitexact \
        -flags:a +bitexact "$out"; then
        echo "soundtrack.sh: ffmpeg cannot read $src; the page carries it unchanged as $(basename "$out")" >&2
        cp "$src" "$out"
    fi
}
src=$1
encode "$2/soundtrack.opus" -c:a libopus -b:a 64k
encode "$2/soundtrack.m4a" -c:a aac -b:a 128k -movflags +faststart
