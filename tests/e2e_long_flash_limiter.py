#!/usr/bin/env python3
"""The whole demo through the flash limiter at 640x480: the capture tool's flash report finds no second over
three flashes, general or red, where without it 51 seconds are (build/flash-report [WxH], from
bench/flash_report.cpp, compares the two and what the limiter changes, at any size)."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402


class FlashLimiterWholeDemo(unittest.TestCase):
    def test_no_second_over_three_flashes(self):
        result = subprocess.run([os.path.join(demo.BUILD, "moriq-capture"), "--flashes", "--reduce-flashes"],
                                cwd=demo.SOURCE, capture_output=True, text=True, timeout=580)
        rows = [line.split("\t") for line in result.stdout.splitlines()]
        over = [r for r in rows if r[0] == "second" and r[4] != "ok"]
        self.assertEqual(over, [], result.stderr)
        self.assertEqual(len(rows), 116, result.stdout)
        self.assertEqual(rows[-1][:2], ["verdict", "ok"])
        self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    unittest.main()
