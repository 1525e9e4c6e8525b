#!/usr/bin/env bash
# Installs what is missing, builds the demo and its capture tool, and plays the demo from the repository
# root (it reads data/ from there). With no display it records the whole demo with its soundtrack to
# moriq-demo.mp4 instead, in a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh --target moriq-demo moriq-capture
if [ -n "${DISPLAY:-}" ]; then
    exec build/moriq-demo
fi

video=moriq-demo.mp4
echo "There is no display (DISPLAY is not set), so the demo is recorded to $video instead."
scripts/deps.sh --video
. scripts/xvfb.sh
start_xvfb
trap stop_xvfb EXIT
build/moriq-capture --video "$video"

seconds=$(LC_ALL=C printf %.1f "$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$video")")
whole=${seconds%.*}
IFS=, read -r vcodec width height < <(ffprobe -v error -select_streams v:0 \
    -show_entries stream=codec_name,width,height -of csv=p=0 "$video")
IFS=, read -r acodec rate channels < <(ffprobe -v error -select_streams a:0 \
    -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 "$video") || acodec=""
echo
echo "The demo is in $PWD/$video: $((whole / 60)):$(printf %02d $((whole % 60))) (${seconds} s) of"\
     "${width}x${height} $vcodec video${acodec:+ with $acodec sound, $rate Hz, $channels channels}."
echo "Play it on a machine with a screen in any video player, for example: ffplay $video  (or mpv, vlc)"
