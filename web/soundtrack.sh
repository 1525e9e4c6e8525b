#!/bin/sh
# The page's soundtrack in two formats: the .ogg as it is, and AAC in MP4 for browsers that cannot decode
# Ogg Vorbis (Safari before 18.4, some phones). A file ffmpeg cannot read goes out unchanged in both, so
# the page meets it as the demo meets a corrupt soundtrack: its own message, then silence.
#   soundtrack.sh SOUNDTRACK.ogg OUTDIR
set -eu
cp "$1" "$2/soundtrack.ogg"
if ! ffmpeg -nostdin -loglevel error -y -i "$1" -vn -map_metadata -1 -c:a aac -b:a 128k -movflags +faststart \
    -fflags +bitexact -flags:a +bitexact "$2/soundtrack.m4a"; then
    echo "soundtrack.sh: ffmpeg cannot read $1; the page carries it unchanged" >&2
    cp "$1" "$2/soundtrack.m4a"
fi
