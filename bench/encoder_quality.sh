#!/usr/bin/env bash
# The video encoders' settings against lossless frames: draws a part of the demo (by default the sphere-
# mapped metaballs, 44 to 46 s, the hardest part to encode) at a size as raw RGB frames, then encodes them
# as moriq-capture does with --quality fast (superfast, ultrafast above 720p) and small (and the veryfast preset it used before) and prints
# each encode's CPU time a frame, file size, SSIM and PSNR against the raw frames, and the load average.
#
#   bench/encoder_quality.sh [WxH [FROM_MS TO_MS]]    e.g. bench/encoder_quality.sh 3840x2160 13000 14000
#
# Needs a build (scripts/build.sh), ffmpeg and about 6 MB of /tmp a 1080p frame.
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-1920x1080}
from=${2:-44000}
to=${3:-46000}
work=$(mktemp -d /tmp/moriq-encoders-XXXXXX)
. scripts/xvfb.sh
trap 'rm -rf "$work"; stop_xvfb' EXIT
[[ -n ${DISPLAY:-} ]] || start_xvfb

# The capture tool hands its frames to whatever "ffmpeg" is first on PATH: here, a copy to a file.
mkdir "$work/bin"
printf '#!/bin/sh\ncat >"%s/raw.rgb"\n' "$work" >"$work/bin/ffmpeg"
chmod +x "$work/bin/ffmpeg"
PATH="$work/bin:$PATH" SDL_AUDIODRIVER=dummy build/moriq-capture --video "$work/unused.mp4" --size "$size" \
    --from "$from" --to "$to" >/dev/null 2>"$work/log" || { cat "$work/log" >&2; exit 1; }
frames=$(( $(stat -c %s "$work/raw.rgb") / (${size%x*} * ${size#*x} * 3) ))
raw=(-f rawvideo -pix_fmt rgb24 -video_size "$size" -framerate 60 -i "$work/raw.rgb")

encode() {
    local name=$1
    shift
    local times
    times=$( { TIMEFORMAT='%U %S'; time ffmpeg -hide_banner -loglevel error -y "${raw[@]}" "$@" -pix_fmt yuv420p \
        "$work/$name.mp4"; } 2>&1 )
    read -r user sys <<<"$times"
    local ssim psnr
    ssim=$(ffmpeg -hide_banner -i "$work/$name.mp4" "${raw[@]}" -lavfi ssim -f null - 2>&1 | grep -o 'All:[0-9.]*')
    psnr=$(ffmpeg -hide_banner -i "$work/$name.mp4" "${raw[@]}" -lavfi psnr -f null - 2>&1 | grep -o 'average:[0-9.inf]*')
    printf '%-22s %6.1f ms cpu a frame  %9d bytes  SSIM %s  PSNR %s  load %s\n' "$name" \
        "$(awk "BEGIN { print ($user + $sys) * 1000 / $frames }")" "$(stat -c %s "$work/$name.mp4")" "${ssim#All:}" \
        "${psnr#average:}" "$(cut -d' ' -f1 /proc/loadavg)"
}
echo "$frames frames of $size from $from to $to ms"
encode fast-superfast -c:v libx264 -preset superfast -crf 20
encode fast-ultrafast -c:v libx264 -preset ultrafast -crf 20
encode small-medium -c:v libx264 -preset medium -crf 20
encode before-veryfast -c:v libx264 -preset veryfast -crf 20
