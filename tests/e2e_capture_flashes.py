#!/usr/bin/env python3
"""moriq-capture --flashes end to end, over the short timeline of test scenes: their green channel steps up
by 16 a frame and falls back every 16 frames, which at 60 fps is 3.75 falls a second (over three flashes
in some second) and at 20 fps a third of that. The report's lines, its verdict and the exit status agree.
Through the flash limiter (--reduce-flashes) no second is over; a still is drawn after the limiter's second
before it, so a moment it holds back differs from the plain still, and one it leaves alone does not."""

import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

TOOL = os.path.join(demo.BUILD, "moriq-capture-short")


class CaptureFlashes(unittest.TestCase):
    def flashes(self, *args):
        result = subprocess.run([TOOL, "--flashes"] + list(args), cwd=demo.SOURCE, capture_output=True, text=True,
                                timeout=300)
        return result.returncode, [line.split("\t") for line in result.stdout.splitlines()], result.stderr

    def test_report_verdict_and_exit_status(self):
        for args, seconds, over in [((), range(10), True), (("--fps", "20", "--from", "2000", "--to", "4000"), [2, 3], False),
                                    (("--reduce-flashes",), range(10), False),
                                    (("--reduce-flashes", "--size", "800x480", "--from", "1000", "--to", "4000"), [1, 2, 3], False)]:
            with self.subTest(args=args):
                status, rows, errors = self.flashes(*args)
                self.assertEqual(status, 1 if over else 0, errors)
                lines, verdict = rows[:-1], rows[-1]
                self.assertEqual([int(r[1]) for r in lines], list(seconds))
                self.assertTrue(all(r[0] == "second" and len(r) == 5 for r in lines), rows)
                for r in lines:
                    self.assertEqual(r[4], "over" if max(int(r[2]), int(r[3])) > 3 else "ok", r)
                self.assertEqual(any(r[4] == "over" for r in lines), over)
                self.assertEqual(verdict[:2], ["verdict", "over" if over else "ok"])

    def test_stills_through_the_limiter(self):
        with tempfile.TemporaryDirectory() as out:
            def still(ms, *args):
                path = os.path.join(out, "%d%s.png" % (ms, "".join(args)))
                subprocess.run([TOOL, "--at", str(ms), "--out", path] + list(args), cwd=demo.SOURCE, check=True,
                               capture_output=True, timeout=300)
                with open(path, "rb") as f:
                    return f.read()
            self.assertNotEqual(still(2000), still(2000, "--reduce-flashes"), "held at 2000 ms")
            self.assertEqual(still(2133), still(2133, "--reduce-flashes"), "left alone at 2133 ms")

    def test_bad_arguments_exit_2(self):
        for args in [("--out", "x.png"), ("--from", "5000", "--to", "4000"), ("--video", "x.mp4")]:
            status, rows, errors = self.flashes(*args)
            self.assertEqual((status, rows), (2, []), args)
            self.assertIn("usage:", errors)


if __name__ == "__main__":
    unittest.main()
