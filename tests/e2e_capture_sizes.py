#!/usr/bin/env python3
"""moriq-capture --size and --supersample against the demo's own 640x480 frames, ffprobe and GL's limits."""
import functools
import json
import os
import subprocess
import sys
import tempfile
import unittest

import numpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

TOOL = os.path.join(demo.BUILD, "moriq-capture")
WORK = tempfile.TemporaryDirectory(prefix="moriq-capture-sizes-")
# Terrain with the cel object, metaballs, greetings, the cel star, wireframe metaballs, the background.
MOMENTS = [20000, 45000, 64000, 74000, 95000, 112000]


def capture(*args):
    return subprocess.run([TOOL, "--fps", "5", *args], cwd=demo.SOURCE, capture_output=True, text=True)


@functools.lru_cache(maxsize=None)
def still(ms, *args):
    return demo.still(ms, "--fps", "5", *args)


def halved(picture):
    h, w, _ = picture.shape
    return picture.reshape(h // 2, 2, w // 2, 2, 3).mean(axis=(1, 3))


class CaptureSizes(unittest.TestCase):
    def test_larger_frames_match_the_demos_own(self):
        # Edges fall on other pixels, so single pixels differ: a picture out of place shows in the mean
        # difference, lines too thin or too thick in its sign (measured: below 2.5 and 0.15).
        for ms in MOMENTS:
            with self.subTest(ms=ms):
                diff = halved(still(ms, "--size", "1280x960")) - still(ms)
                self.assertLess(abs(diff).mean(), 4.0)
                self.assertLess(abs(diff.mean()), 0.3)

    def test_supersampling_averages_a_larger_drawing_inside_black_bars(self):
        self.assertLessEqual(abs(halved(still(74000, "--size", "1280x960")) - still(74000, "--supersample", "2")).max(), 1)
        wide = still(74000, "--size", "640x360", "--supersample", "3")  # a 480x360 picture, 80-pixel bars
        self.assertEqual(wide[:, :80].max() + wide[:, 560:].max(), 0)
        self.assertGreater(min(numpy.median(wide[:, 80]), numpy.median(wide[:, 559])), 100)  # the picture up to them

    def test_1080p_video_and_refused_sizes(self):
        video = os.path.join(WORK.name, "v.mp4")
        result = capture("--video", video, "--size", "1920x1080", "--from", "70000", "--to", "70500", "--fps", "10")
        self.assertEqual(result.returncode, 0, result.stderr)
        stream = json.loads(subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v",
                                            "-show_streams", "-of", "json", video], capture_output=True,
                                           check=True).stdout)["streams"][0]
        self.assertEqual((stream["width"], stream["height"], stream["nb_read_frames"]), (1920, 1080, "5"))
        too_large = capture("--at", "0", "--out", video + ".png", "--size", "16000x12000", "--supersample", "4")
        self.assertEqual(too_large.returncode, 1)
        self.assertIn("at most", too_large.stderr)
        self.assertEqual(capture("--video", video, "--size", "641x480").returncode, 2)


if __name__ == "__main__":
    unittest.main()
