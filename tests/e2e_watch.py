# --watch: the demo paused on its closing scene, whose picture fills the screen. The picture renamed over
# (as editors save) is drawn; a corrupt one written in place keeps it, with a line over the picture and the
# file named once on standard error; a good one then is drawn and the line goes.
import os
import shutil
import subprocess
import sys
import time
import unittest

import numpy
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

GREEN, RED = (0, 255, 0), (255, 0, 0)
BAND = 20  # rows of the notice along the bottom of a 640x480 picture


def solid(path, colour):
    Image.new("RGB", (64, 32), colour).save(path, "PNG")


# Mean colours of a 16 x 12 grid over the picture: its structure, whatever small details move.
def blocks(picture):
    h, w, _ = picture.shape
    return picture.reshape(12, h // 12, 16, w // 16, 3).mean(axis=(1, 3))


def share(picture, colour):
    return (abs(picture - colour).max(axis=2) < 8).mean()


class Watch(unittest.TestCase):
    def setUp(self):
        self.cwd = demo.workdir()

    def tearDown(self):
        shutil.rmtree(self.cwd, ignore_errors=True)

    def test_a_picture_changed_while_paused_is_drawn_and_a_bad_one_is_kept_under_a_notice(self):
        _, begins, _, files = demo.play_list()[0][-1]
        still = os.path.join(self.cwd, "still.png")
        subprocess.run([os.path.join(demo.BUILD, "moriq-capture"), "--at", str(begins), "--out", still],
                       cwd=demo.SOURCE, check=True, capture_output=True)
        expected = numpy.asarray(Image.open(still).convert("RGB"), dtype=float)
        path = os.path.join(self.cwd, files[0])
        with demo.Demo(self.cwd, args=("--window", "--watch", "--controls", "--start", str(begins / 1000.0))) as run:
            x, y, w, h = demo.geometry(run)
            run.focus()
            # Taken by the scene's first frame: the play holds at its first moment.
            run.xdotool("key", "--window", run.window(), "space")

            def until(condition, what):
                deadline = time.monotonic() + 60
                while time.monotonic() < deadline and run.proc.poll() is None:
                    frame = demo.grab(run.display, "1024x768")[y:y + h, x:x + w]
                    if condition(frame):
                        return frame
                    time.sleep(0.05)
                self.fail("never saw %s; standard error:\n%s" % (what, "".join(run.stderr)))

            until(lambda f: numpy.median(abs(blocks(f) - blocks(expected))) < 12, "the closing scene")
            temporary = os.path.join(self.cwd, "data", ".background.tmp")
            solid(temporary, GREEN)
            os.rename(temporary, path)
            until(lambda f: share(f, GREEN) > 0.99, "the picture renamed over")

            with open(path, "wb") as f:
                f.write(b"not a picture at all")
            frame = until(lambda f: share(f[h - BAND:], (0, 0, 0)) > 0.5, "the notice")
            self.assertGreater(share(frame[:h - BAND], GREEN), 0.99)
            self.assertGreater(share(frame[h - BAND:], (255, 255, 255)), 0.02)
            self.assertIn("moriq-demo: %s not reloaded, keeping the one before: Not a PNG file\n" % files[0], run.stderr)

            solid(path, RED)
            until(lambda f: share(f, RED) > 0.99, "the good picture and the notice gone")
            run.xdotool("key", "--window", run.window(), "Escape")
            errors = run.finish(self, [])
        self.assertEqual(errors.count("%s not reloaded" % files[0]), 1, errors)
        self.assertEqual(errors.count("%s reloaded\n" % files[0]), 2, errors)


if __name__ == "__main__":
    unittest.main()
