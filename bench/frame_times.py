#!/usr/bin/env python3
"""Per-scene frame times of a timed run (bench/live_frames.sh): reads the scenes' report lines (RUN.out)
and the swap times (RUN.err, "swap WALL_US CPU_US" a line) and prints, for each scene, the whole scene
and its first second on lines of their own, so that a slow scene change cannot hide in a percentile.

    frame_times.py NAMES RUN [RUN ...]    (NAMES: the scene names, a line each; RUN: a path without .out)
"""
import os
import sys

FIRST_US = 1000000


def percentile(values, q):
    return values[min(len(values) - 1, int(q * len(values)))]


def scene_frames(frames, swaps):
    """For each scene: its frames' (wall, cpu) intervals in us with their end's time since the scene's
    first swap; the swaps before the first scene's (the loading bar's) are skipped."""
    k = len(swaps) - sum(frames)
    if k < 0:
        raise ValueError("fewer swaps than frames reported")
    scenes = []
    for n in frames:
        start = swaps[k][0] if n else 0
        # The first frame carries the scene's start: left out.
        scenes.append([(swaps[i][0] - swaps[i - 1][0], swaps[i][1] - swaps[i - 1][1], swaps[i][0] - start)
                       for i in range(k + 1, k + n)])
        k += n
    return scenes


def summary(intervals):
    """p50, p99 and max wall ms, mean cpu ms and the count; None for no frames."""
    if not intervals:
        return None
    wall = sorted(w / 1000.0 for w, _, _ in intervals)
    cpu = sum(c for _, c, _ in intervals) / 1000.0 / len(intervals)
    return percentile(wall, 0.5), percentile(wall, 0.99), wall[-1], cpu, len(intervals)


def read_run(run):
    with open(run + ".out") as out:
        frames = [int(line.split()[0]) for line in out if "frames draw" in line]
    swaps = []
    with open(run + ".err") as err:
        for line in err:
            if line.startswith("swap "):
                fields = line.split()
                # A build from before the CPU column writes the wall time only.
                swaps.append((int(fields[1]), int(fields[2]) if len(fields) > 2 else 0))
    return frames, swaps


def report(names, runs, out=sys.stdout):
    out.write("%-20s %-10s %-12s %8s %8s %8s %8s %7s\n" % ("scene", "size", "part", "p50 ms", "p99 ms", "max ms",
                                                          "cpu ms", "frames"))
    for run in runs:
        size = os.path.basename(run)
        frames, swaps = read_run(run)
        for name, intervals in zip(names, scene_frames(frames, swaps)):
            parts = (("whole", intervals), ("first second", [x for x in intervals if x[2] <= FIRST_US]))
            for part, chosen in parts:
                s = summary(chosen)
                if s:
                    out.write("%-20s %-10s %-12s %8.2f %8.2f %8.2f %8.2f %7d\n" % ((name, size, part) + s))


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    with open(sys.argv[1]) as listed:
        scene_names = ["%d %s" % (i + 1, line.strip()) for i, line in enumerate(listed)]
    report(scene_names, sys.argv[2:])
