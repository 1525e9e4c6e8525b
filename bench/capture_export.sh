#!/usr/bin/env bash
# Times whole-demo video exports with moriq-capture at several sizes: by default 640x480, 1920x1080 and
# 1920x1080 with --supersample 2 (goal: 1080p within twice the demo's 115 s on a quiet 2-core machine).
# Prints wall and CPU seconds (user + sys, ffmpeg included) and the load average before and after each
# run: on a shared machine the wall time follows the load, the CPU time much less.
#
#   bench/capture_export.sh [--to MS] [WxH[:N] ...]    e.g. bench/capture_export.sh --to 20000 1280x960:2
#
# Needs a build (scripts/build.sh) and ffmpeg; without a display every export runs in one Xvfb of
# scripts/xvfb.sh, which keeps it up between clients (-noreset) so that none is turned away.
set -euo pipefail
cd "$(dirname "$0")/.."
capture=build/moriq-capture
[[ -x $capture ]] || { echo "capture_export: build $capture first (scripts/build.sh)" >&2; exit 1; }

range=()
if [[ ${1:-} == --to ]]; then
    range=(--to "$2")
    shift 2
fi
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(640x480 1920x1080 1920x1080:2)

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
        --size "$size" --supersample "$n" "${range[@]}" >/dev/null 2>"$work/log"; } 2>&1 ) ||
        { cat "$work/log" >&2; exit 1; }
    read -r wall user sys <<<"$times"
    printf '%-10s supersample %s: %s  wall %7.1f s  cpu %7.1f s  load %s -> %s (%s cores)\n' "$size" "$n" \
        "$(grep -o '[0-9]* frames ([0-9.]* s)' "$work/log")" "$wall" "$(awk "BEGIN { print $user + $sys }")" "$before" \
        "$(load)" "$(nproc)"
done
