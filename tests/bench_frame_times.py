#!/usr/bin/env python3
"""bench/frame_times.py, on swap logs written here: the loading bar's swaps are skipped, each scene's frames
are its own, a scene's start frame is left out, and a slow first second shows on its own line even where
the whole scene's p99 would hide it."""

import io
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench"))
import frame_times  # noqa: E402


def write_run(directory, scenes, bar_swaps=3):
    """scenes: a list of frame-interval lists in ms (the first of each carries the scene's start)."""
    run = os.path.join(directory, "run")
    t = cpu = 0
    lines = []
    for _ in range(bar_swaps):
        t += 50000
        lines.append("swap %d %d" % (t, cpu))
    for intervals in scenes:
        for ms in intervals:
            t += int(ms * 1000)
            cpu += int(ms * 500)
            lines.append("swap %d %d" % (t, cpu))
    with open(run + ".err", "w") as err:
        err.write("a line the demo printed\n" + "\n".join(lines) + "\n")
    with open(run + ".out", "w") as out:
        out.write("".join("%d frames draw\tAverage fps: 1\n" % len(s) for s in scenes))
    return run


class FrameTimes(unittest.TestCase):
    def test_a_slow_first_second_shows_beside_the_whole_scene(self):
        # Scene one: 300 ms to start, then 2 s at 4 ms. Scene two: 200 frames of 14 ms (2.8 s), then 900
        # frames of 2 ms: its whole p99 stays at 14 ms, its first second's p50 is 14 ms too.
        with tempfile.TemporaryDirectory() as d:
            run = write_run(d, [[300] + [4] * 500, [40] + [14] * 200 + [2] * 900])
            out = io.StringIO()
            frame_times.report(["1 a", "2 b"], [run], out)
        rows = {(l[:20].strip(), l[32:44].strip()): l.split()[-5:] for l in out.getvalue().splitlines()[1:]}
        p50, p99, worst, cpu, frames = rows[("1 a", "whole")]
        self.assertEqual((float(p50), float(p99), float(worst), int(frames)), (4.0, 4.0, 4.0, 500))
        self.assertAlmostEqual(float(cpu), 2.0)
        self.assertEqual(int(rows[("1 a", "first second")][4]), 250)
        p50, p99, worst, _, frames = rows[("2 b", "whole")]
        self.assertEqual((float(p50), float(worst), int(frames)), (2.0, 14.0, 1100))
        p50, p99, _, _, frames = rows[("2 b", "first second")]
        self.assertEqual((float(p50), float(p99), int(frames)), (14.0, 14.0, 71))

    def test_more_frames_reported_than_swapped_is_an_error(self):
        with tempfile.TemporaryDirectory() as d:
            run = write_run(d, [[10] * 5], bar_swaps=0)
            with open(run + ".out", "a") as out:
                out.write("9 frames draw\tAverage fps: 1\n")
            with self.assertRaises(ValueError):
                frame_times.report(["1 a", "2 b"], [run], io.StringIO())


if __name__ == "__main__":
    unittest.main()
