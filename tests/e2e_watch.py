# --watch: the demo paused on its closing scene, whose picture fills the screen. The picture renamed over
# (as editors save) is drawn; a corrupt one written in place keeps it, with a line over the picture and the
# file named once on standard error; a good one then is drawn and the line goes. And the soundtrack renamed
# over while paused: silent until the resume, then the new one from the moment paused.
import math
import os
import shutil
import sys
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402
from e2e_player import changes, pitch_track  # noqa: E402

GREEN, RED, BLACK, WHITE = (0, 255, 0), (255, 0, 0), (0, 0, 0), (255, 255, 255)
BAND = 20  # rows of the notice along the bottom of a 640x480 picture


def solid(path, colour):
    Image.new("RGB", (64, 32), colour).save(path, "PNG")


def share(picture, colour):
    return (abs(picture - colour).max(axis=2) < 8).mean()


class Watch(unittest.TestCase):
    def setUp(self):
        self.cwd = demo.workdir()
        self.scenes, self.soundtrack = demo.play_list()

    def tearDown(self):
        shutil.rmtree(self.cwd, ignore_errors=True)

    # Changes made once the demo says it watches are seen; a picture reloaded then says the frames are drawn.
    def watching(self, run, picture):
        run.said("watching data for changes")
        shutil.copy(os.path.join(demo.SOURCE, picture), os.path.join(self.cwd, "data", ".copy.png"))
        os.rename(os.path.join(self.cwd, "data", ".copy.png"), os.path.join(self.cwd, picture))
        run.said("%s reloaded" % picture)

    def test_a_picture_changed_while_paused_is_drawn_and_a_bad_one_is_kept_under_a_notice(self):
        _, begins, _, files = self.scenes[-1]
        path = os.path.join(self.cwd, files[0])
        with demo.Demo(self.cwd, args=("--window", "--watch", "--controls", "--start", str(begins / 1000.0))) as run:
            x, y, w, h = demo.geometry(run)
            run.focus()
            run.xdotool("key", "--window", run.window(), "space")  # taken with the scene's first frame
            self.watching(run, files[0])

            shown = lambda: demo.grab(run.display, "1024x768")[y:y + h, x:x + w]  # noqa: E731
            solid(os.path.join(self.cwd, "data", ".green.png"), GREEN)
            os.rename(os.path.join(self.cwd, "data", ".green.png"), path)
            run.wait(lambda: share(shown(), GREEN) > 0.99, "the picture renamed over")
            with open(path, "wb") as f:
                f.write(b"not a picture at all")
            run.wait(lambda: share(shown()[h - BAND:], BLACK) > 0.5, "the notice")
            frame = shown()  # paused: the frame the notice came in
            self.assertTrue(share(frame[:h - BAND], GREEN) > 0.99 and share(frame[h - BAND:], WHITE) > 0.02)
            self.assertIn("moriq-demo: %s not reloaded, keeping the one before: Not a PNG file\n" % files[0],
                          run.stderr)
            solid(path, RED)
            run.wait(lambda: share(shown(), RED) > 0.99, "the good picture without the notice")
            run.xdotool("key", "--window", run.window(), "Escape")
            errors = run.finish(self, [])
        self.assertEqual((errors.count("%s not reloaded" % files[0]), errors.count("%s reloaded\n" % files[0])), (1, 3))

    def test_the_soundtrack_renamed_over_while_paused_stays_paused_then_plays_from_the_moment(self):
        # Both change pitch each second, 400 and 800 Hz; the new one has them the other way round.
        pitch_track(os.path.join(self.cwd, self.soundtrack), 116)
        swapped = os.path.join(self.cwd, "data", ".swapped.ogg")
        pitch_track(swapped, 116, swapped=True)
        record = os.path.join(self.cwd, "sound.raw")
        # The disk driver at the pace of real time, so the pause is as long in the recording as it was.
        with demo.Demo(self.cwd, record=record, env={"SDL_DISKAUDIODELAY": "93"},
                       args=("--window", "--watch", "--controls", "--start", "40")) as run:
            run.focus()
            self.watching(run, self.scenes[1][3][0])
            # Paused a little into the music; the key takes a moment to arrive, the recording says how long.
            run.wait(lambda: demo.onset(record) is not None and run.recorded() >= demo.onset(record) + 0.3,
                     "heard 0.3 s of music")
            run.xdotool("key", "--window", run.window(), "space")
            last = lambda: demo.samples(record, run.recorded() - 0.05, 0.05)  # noqa: E731
            run.wait(lambda: max(map(abs, last()), default=1) == 0, "paused")
            os.rename(swapped, os.path.join(self.cwd, self.soundtrack))
            run.said("%s reloaded" % self.soundtrack)
            reloaded = run.recorded()
            time.sleep(0.5)
            resumed = run.recorded()
            run.xdotool("key", "--window", run.window(), "space")
            run.wait(lambda: run.recorded() >= resumed + 2.5, "recorded 2.5 s after the resume")
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
        # 800 Hz (1) in the new one's even seconds; a change within 0.15 s of the resume may hide in its start.
        if math.ceil(moment) - moment > 0.15:
            self.assertEqual(first, 1 - int(moment) % 2)
        for boundary in [k - moment for k in range(41, 45) if k - moment > 0.15][:2]:
            self.assertTrue(any(abs(t - boundary) <= 0.15 for t in found), "%s, not %s" % (found, boundary))


if __name__ == "__main__":
    unittest.main()
