#!/usr/bin/env bash
# Plays the whole demo twice on one virtual 1920x1080 X screen, with --native (every frame drawn at
# 1920x1080) and as by default (640x480), and prints each scene's frame times from its buffer swaps:
# p50, p99 and max in ms (goal at 1920x1080 under llvmpipe: p99 <= 16.7 ms). The first frame of each
# scene, which carries the scene's start, is left out. The load average is printed before and after each
# run: the machine may be shared, and the times follow the load.
#
#   bench/live_frames.sh [extra demo options for both runs, e.g. --reduce-flashes]
#
# Needs a build with the benchmarks (scripts/test.sh makes one, or scripts/build.sh -DMORIQ_BENCH=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
timed=build/moriq-demo-timed
[[ -x $timed ]] || { echo "live_frames: build $timed first (scripts/build.sh -DMORIQ_BENCH=ON)" >&2; exit 1; }
work=$(mktemp -d /tmp/moriq-live-XXXXXX)
. scripts/xvfb.sh
trap 'stop_xvfb; rm -rf "$work"' EXIT
start_xvfb 1920x1080
load() { cut -d' ' -f1-3 /proc/loadavg; }

run() {
    local name=$1
    shift
    echo "$name: load $(load) ($(nproc) cores)" >"$work/$name.load"
    SDL_AUDIODRIVER=dummy "$timed" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo "  after: load $(load)" >>"$work/$name.load"
}
run 1920x1080 --native "$@"
run 640x480 "$@"
build/moriq-capture --list | awk -F'\t' '$1 == "scene" { print $2 }' >"$work/names"

/usr/bin/python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
names = ["%d %s" % (i + 1, name.strip()) for i, name in enumerate(open(work + "/names"))]
print("%-18s %-10s %8s %8s %8s %7s" % ("scene", "size", "p50 ms", "p99 ms", "max ms", "frames"))
for size in ("1920x1080", "640x480"):
    frames = [int(line.split()[0]) for line in open("%s/%s.out" % (work, size)) if "frames draw" in line]
    swaps = [int(line.split()[1]) for line in open("%s/%s.err" % (work, size)) if line.startswith("swap ")]
    k = len(swaps) - sum(frames)  # the loading bar's swaps come first
    for name, n in zip(names, frames):
        times = sorted((swaps[i] - swaps[i - 1]) / 1000.0 for i in range(k + 1, k + n))
        k += n
        pick = lambda q: times[min(len(times) - 1, int(q * len(times)))] if times else float("nan")
        print("%-18s %-10s %8.2f %8.2f %8.2f %7d" % (name, size, pick(0.5), pick(0.99), times[-1] if times else 0, n))
PY
cat "$work"/*.load
