"""The whole demo, undisturbed and without an audio device: six reports in play-list order,
each scene its full time, exit status 0."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from demo_runner import REPORT_PREFIX, Demo, report_seconds  # noqa: E402

DURATIONS = [35.0, 25.0, 10.0, 15.0, 25.0, 5.0]


class FullRun(unittest.TestCase):
    def test_every_scene_plays_its_full_time(self):
        demo = Demo(env={"SDL_AUDIODRIVER": "no-such-driver"})
        try:
            self.assertEqual(demo.wait(sum(DURATIONS) + 120), 0)
        finally:
            demo.kill()
        self.assertGreaterEqual(time.monotonic() - demo.started, sum(DURATIONS))
        reports = [l for l in demo.stdout if REPORT_PREFIX in l]
        self.assertEqual(len(reports), len(DURATIONS), "".join(demo.stdout))
        for line, seconds in zip(reports, DURATIONS):
            # The last frame is drawn after the time is up, so a scene runs a frame over at most.
            self.assertGreaterEqual(report_seconds(line), seconds * 0.999)
            self.assertLess(report_seconds(line), seconds + 1.0)
        self.assertIn("No music...\n", demo.errors())


if __name__ == "__main__":
    unittest.main()
