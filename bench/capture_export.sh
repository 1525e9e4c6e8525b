#!/usr/bin/env bash
# Times whole-demo video exports with moriq-capture at several sizes: by default 640x480, 1920x1080 and
# 3840x2160 (goals on 2 cores: 1080p within the demo's own 115 s, 2160p within four times it).
# Prints wall and CPU seconds (user + sys, ffmpeg included) and the load average before and after each
# run: on a shared machine the wall time follows the load, the CPU time much less.
#
#   bench/capture_export.sh [--to MS] [--quality fast|small] [WxH[:N] ...]
#       e.g. bench/capture_export.sh --to 20000 1280x960:2     (:N draws with --supersample N)
# MORIQ_BUILD=DIR times the build in DIR instead of build/ (an older one, for comparison).
#
# Needs a build (scripts/build.sh) and ffmpeg; without a display every export runs in one Xvfb of
# scripts/xvfb.sh, which keeps it up between clients (-noreset) so that none is turned away.
set -euo pipefail
cd "$(dirname "$0")/.."
capture=${MORIQ_BUILD:-build}/moriq-capture
[[ -x $capture ]] || { echo "capture_export: build $capture first (scripts/build.sh)" >&2; exit 1; }

range=()
quality=()
while [[ ${1:-} == --to || ${1:-} == --quality ]]; do
    if [[ $1 == --to ]]; then range=(--to "$2"); else quality=(--quality "$2"); fi
    shift 2
done
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(640x480 1920x1080 3840x2160)

. scripts/xvfb.sh
work=$(mktemp -d /tmp/moriq-bench-XXXXXX)
trap 'rm -rf "$work"; stop_xvfb' EXIT
[[ -n ${DISPLAY:-} ]] || start_xvfb
load() { cut -d' ' -f1 /proc/loadavg; }

for entry in "${sizes[@]}"; do
    size=${entry%%:*}
    n=1
    [[ $entry == *:* ]] && n=${entry#*:}
    before=$(load)
    # bash's time counts the children waited for: the capture tool and its ffmpeg.
    times=$( { TIMEFORMAT='%R %U %S'; time SDL_AUDIODRIVER=dummy "$capture" --video "$work/demo.mp4" \
        --size "$size" --supersample "$n" "${range[@]}" "${quality[@]}" >/dev/null 2>"$work/log"; } 2>&1 ) ||
        { cat "$work/log" >&2; exit 1; }
    read -r wall user sys <<<"$times"
    # The picture against lossless frames is the encoder's business: bench/encoder_quality.sh measures it.
    printf '%-10s supersample %s: %s  wall %7.1f s  cpu %7.1f s  %s MB  load %s -> %s (%s cores)\n' "$size" "$n" \
        "$(grep -o '[0-9]* frames ([0-9.]* s)' "$work/log")" "$wall" "$(awk "BEGIN { print $user + $sys }")" \
        "$(( $(stat -c %s "$work/demo.mp4") / 1000000 ))" "$before" "$(load)" "$(nproc)"
done
