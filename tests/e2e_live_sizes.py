# The live demo at other sizes, read back from X screens larger than its picture: --native on a 1920x1080
# screen (black bars left and right, the closing scene as the capture tool draws it at 1920x1080), --window
# (a 640x480 window, the rest of the screen as it was) and --window --size (bars inside the window); and
# bad command lines (sizes, moments), refused before any window opens.
import os
import subprocess
import sys
import time
import unittest

import numpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

DEMO = os.path.join(demo.BUILD, "moriq-demo")


# Mean colours of a 16 x 12 grid over a 4:3 picture: its structure, whatever the size it was drawn at.
def blocks(picture):
    h, w, _ = picture.shape
    return picture[:h - h % 12, :w - w % 16].reshape(12, h // 12, 16, w // 16, 3).mean(axis=(1, 3))


class LiveSizes(unittest.TestCase):
    def test_native_draws_the_closing_scene_as_the_capture_tool_does_between_black_bars(self):
        expected = demo.still(111000, "--size", "1920x1080")
        with demo.Demo(demo.SOURCE, args=["--native"], screen="1920x1080") as run:
            reports = run.step_through(5)
            time.sleep(1.0)  # into the closing scene, which does not fade in
            frame = demo.grab(run.display, "1920x1080")
            run.finish(self)
        self.assertEqual(len(reports), 5)
        self.assertEqual(frame[:, :240].max() + frame[:, 1680:].max(), 0)
        # The ripples move the picture's seams by up to 5% of its width: single blocks differ, the whole
        # does not (measured: median 2 to 4.5, mean 5 to 9; a picture upside down or misplaced is far off).
        diff = abs(blocks(frame[:, 240:1680]) - blocks(expected[:, 240:1680]))
        self.assertLess(numpy.median(diff), 12, diff.mean(axis=2))
        self.assertLess(diff.mean(), 25)

    def test_window_and_sized_window_leave_the_screen_around_them_alone(self):
        server, display = demo.start_xvfb()
        try:
            untouched = demo.grab(display, "1024x768")
        finally:
            server.terminate()
            server.wait()
        with demo.Demo(demo.SOURCE, args=["--window"]) as plain, \
                demo.Demo(demo.SOURCE, args=["--window", "--size", "1000x600"]) as sized:
            x, y, w, h = demo.geometry(plain)
            self.assertEqual((w, h), (640, 480))
            sx, sy, sw, sh = demo.geometry(sized)
            self.assertEqual((sw, sh), (1000, 600))
            plain.step_through(1)
            sized.step_through(1)
            time.sleep(1.0)  # into the metaballs, which cover the picture
            screen, wide = demo.grab(plain.display, "1024x768"), demo.grab(sized.display, "1024x768")
        outside = numpy.ones(screen.shape[:2], bool)
        outside[y:y + h, x:x + w] = False
        self.assertEqual(abs(screen - untouched)[outside].max(), 0)
        self.assertGreater((abs(screen - untouched)[~outside].max(axis=1) > 0).mean(), 0.9)
        # 1000x600 holds an 800x600 picture between 100-pixel bars.
        inside = wide[sy:sy + 600, sx:sx + 1000]
        self.assertEqual(inside[:, :100].max() + inside[:, 900:].max(), 0)
        self.assertGreater(numpy.median(inside[:, 100:900].max(axis=2)), 60)

    def test_bad_command_lines_exit_2_before_any_window(self):
        def run(*args):
            return subprocess.run([DEMO, *args], env=demo.headless(), capture_output=True, text=True, timeout=30)

        # Options.parse's messages are test_options.cpp's; here the form a person sees and the exit codes.
        refused = [(("--size", "800x600"), "--size goes with --window")] + [
            (("--start", bad), "--start takes seconds from 0 to below 115") for bad in ["-1", "115", "1e9", "abc", "nan", ""]]
        for args, why in refused:
            result = run(*args)
            self.assertEqual((result.returncode, result.stdout), (2, ""), args)
            self.assertRegex(result.stderr, "^moriq-demo: %s.*\nTry 'moriq-demo --help' for the options.\n$" % why, args)
        usage = run("--help")
        self.assertEqual((usage.returncode, usage.stderr), (0, ""))
        self.assertIn("--window", usage.stdout)
        self.assertRegex(run("--version").stdout, r"^moriq-demo \d+\.\d+\.\d+\n$")

if __name__ == "__main__":
    unittest.main()
