#!/usr/bin/env bash
# Plays the whole demo twice on one virtual X screen (1920x1080 unless --screen says otherwise), with
# --native (every frame drawn at the screen's size) and as by default (640x480), and prints each scene's
# frame times from its buffer swaps: p50, p99 and max in ms over the whole scene and, on a line of its own,
# over its first second, where a slow scene change shows (goal under llvmpipe on 2 cores: every p99 of the
# --native run <= 16.7 ms, at 1920x1080 and at 2560x1440). The first frame of each scene, which carries the
# scene's start, is left out. "cpu" is the mean CPU time of the demo's threads (llvmpipe's included) a
# frame: on a shared machine it follows the work done more closely than the wall clock. The load average is
# printed before and after each run: the machine may be shared, and the times follow the load.
#
#   bench/live_frames.sh [--screen WxH] [extra demo options for both runs, e.g. --reduce-flashes]
#
# Needs a build with the benchmarks (scripts/test.sh makes one, or scripts/build.sh -DMORIQ_BENCH=ON);
# MORIQ_BUILD=DIR times the build in DIR instead of build/ (an older one, for comparison).
set -euo pipefail
cd "$(dirname "$0")/.."
screen=1920x1080
if [[ ${1:-} == --screen ]]; then
    screen=$2
    shift 2
fi
build=${MORIQ_BUILD:-build}
timed=$build/moriq-demo-timed
[[ -x $timed ]] || { echo "live_frames: build $timed first (scripts/build.sh -DMORIQ_BENCH=ON)" >&2; exit 1; }
work=$(mktemp -d /tmp/moriq-live-XXXXXX)
. scripts/xvfb.sh
trap 'stop_xvfb; rm -rf "$work"' EXIT
start_xvfb "$screen"
load() { cut -d' ' -f1-3 /proc/loadavg; }

run() {
    local name=$1
    shift
    echo "$name: load $(load) ($(nproc) cores)" >"$work/$name.load"
    SDL_AUDIODRIVER=dummy "$timed" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo "  after: load $(load)" >>"$work/$name.load"
}
run "$screen" --native "$@"
run 640x480 "$@"
"$build/moriq-capture" --list | awk -F'\t' '$1 == "scene" { print $2 }' >"$work/names"

/usr/bin/python3 bench/frame_times.py "$work/names" "$work/$screen" "$work/640x480"
cat "$work"/*.load
