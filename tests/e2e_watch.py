# --watch: the demo paused on its closing scene, whose picture fills the screen. The picture renamed over
# (as editors save) is drawn; a corrupt one written in place keeps it, with a line over the picture and the
# file named once on standard error; a good one then is drawn and the line goes. And the soundtrack renamed
# over while paused: silent until the resume, then the new one from the moment paused.
import math
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
from e2e_player import changes, pitch_track  # noqa: E402

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

    def test_the_soundtrack_renamed_over_while_paused_stays_paused_then_plays_from_the_moment(self):
        # Both change pitch each second, 400 and 800 Hz; the new one has them the other way round.
        _, soundtrack = demo.play_list()
        pitch_track(os.path.join(self.cwd, soundtrack), 116)
        swapped = os.path.join(self.cwd, "data", ".swapped.ogg")
        pitch_track(swapped, 116, swapped=True)
        record = os.path.join(self.cwd, "sound.raw")
        picture = demo.play_list()[0][0][3][0]
        shutil.copy(os.path.join(demo.SOURCE, picture), os.path.join(self.cwd, "data", ".picture.png"))
        # The disk driver at the pace of real time, so the pause is as long in the recording as it was.
        with demo.Demo(self.cwd, record=record, env={"SDL_DISKAUDIODELAY": "93"},
                       args=("--window", "--watch", "--controls", "--start", "40")) as run:

            def until_said(what):
                while not any(what in line for line in run.stderr):
                    self.assertIsNone(run.proc.poll(), "".join(run.stderr))
                    time.sleep(0.05)

            # Paused a little into the music (the key takes a moment to arrive; the recording tells how long).
            run.focus()
            while demo.onset(record) is None or run.recorded() < demo.onset(record) + 0.3:
                self.assertIsNone(run.proc.poll(), "".join(run.stderr))
                time.sleep(0.02)
            run.xdotool("key", "--window", run.window(), "space")
            os.rename(swapped, os.path.join(self.cwd, soundtrack))
            until_said("%s reloaded" % soundtrack)
            reloaded = run.recorded()
            time.sleep(0.5)
            resumed = run.recorded()
            run.xdotool("key", "--window", run.window(), "space")
            while run.recorded() < resumed + 2.5:
                self.assertIsNone(run.proc.poll(), "".join(run.stderr))
                time.sleep(0.05)
            run.xdotool("key", "--window", run.window(), "Escape")
            run.finish(self, [])
        # Silent from the reload to the resume: everything recorded by then was mixed before it.
        self.assertGreater(resumed - reloaded, 0.3)
        self.assertEqual(max(abs(v) for v in demo.samples(record, reloaded, resumed - reloaded)), 0)
        # Then the new music from the moment paused: where the old one was heard to, give or take a mixer
        # buffer (93 ms): the driver's first buffer trails the picture's clock, its last may pass the pause.
        before = demo.samples(record, 0, reloaded)
        heard = sum(1 for w in range(0, len(before), 441) if max(abs(v) for v in before[w:w + 441]) >= 500) / 100.0
        moment = 40 + heard + 0.05
        after = os.path.join(self.cwd, "after.raw")
        with open(record, "rb") as f:
            f.seek(int(resumed * demo.RATE) * 4)
            demo.write(after, f.read())
        found, first = changes(after)
        # The new music's parity: 800 Hz (1) in even seconds. Seconds changing within 0.15 s of the resume
        # may hide in its first windows.
        expected = [k - moment for k in range(41, 45) if k - moment > 0.15][:2]
        if math.ceil(moment) - moment > 0.15:
            self.assertEqual(first, 1 - int(moment) % 2)
        for boundary in expected:
            self.assertTrue(any(abs(t - boundary) <= 0.15 for t in found), "%s, not %s" % (found, expected))


if __name__ == "__main__":
    unittest.main()
