# The demo with its real pictures: the play list, each scene ended by a close request while the music (a
# steady tone) fades in over the first second and out over the last scene; Escape during loading.
import os
import shutil
import sys
import threading
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

class Sequence(unittest.TestCase):
    def setUp(self):
        self.scenes, self.soundtrack = demo.play_list()
        self.cwd = demo.workdir()

    def tearDown(self):
        shutil.rmtree(self.cwd, ignore_errors=True)

    def test_close_requests_end_each_scene_while_the_music_fades_in_then_out_over_the_last(self):
        demo.tone(os.path.join(self.cwd, self.soundtrack), 60)
        record = os.path.join(self.cwd, "sound.raw")
        count = len(self.scenes)
        first = []

        # Each scene plays at least 1.5 s of sound (the last 6.5 s: its fade and some silence) before its close.
        def ready(n):
            if n == 0:
                first[:] = first or [t for t in [demo.onset(record)] if t is not None]
                return bool(first) and run.recorded() > first[0] + 1.5
            return run.recorded() > run.marks[-1] + (6.5 if n == count - 1 else 1.5)

        with demo.Demo(self.cwd, record=record) as run:
            reports = run.step_through(count, ready)
            self.assertEqual(run.finish(self, reports), "")
        for (name, _, duration, _), report in zip(self.scenes, reports):
            self.assertLess(demo.played_ms(report), duration, name)
        # Rising over the first second (the mixer steps the volume once per 93 ms buffer, so full volume
        # comes a little early), full until the last scene, then falling to silence over five seconds.
        # A report is read a little after its scene ended, so the fade-out is looked for, not assumed.
        start, marks = first[0], run.marks
        self.assertLess(demo.loudness(record, start, 0.1), 0.25)
        self.assertTrue(0.3 < demo.loudness(record, start + 0.4, 0.1) < 0.7)
        fade = next(t / 10 for t in range(int(start * 10) + 9, int(marks[-1] * 10) + 5)
                    if demo.loudness(record, t / 10, 0.1) < 0.97)
        self.assertGreater(fade, marks[-3] + 0.75, "the fade-out began before the last scene")
        self.assertLess(fade, marks[-2] + 0.3, "the fade-out began after the last scene's start")
        self.assertAlmostEqual(demo.loudness(record, fade + 2.45, 0.1), 0.5, delta=0.07)
        self.assertLess(demo.loudness(record, fade + 5.2, 1.0), 0.01)

    def test_escape_during_loading_ends_the_demo_as_the_first_scene_starts(self):
        os.symlink(os.path.join(demo.SOURCE, self.soundtrack), os.path.join(self.cwd, self.soundtrack))
        # The audio device is a pipe: opening it holds the demo in the middle of loading until it is read.
        fifo = os.path.join(self.cwd, "audio")
        os.mkfifo(fifo)
        with demo.Demo(self.cwd, env={"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": fifo}) as run:
            run.focus()
            # Full screen: a window of the demo's covers the whole 1024x768 screen, besides the root.
            windows = run.xdotool("search", "--onlyvisible", "--name", "").stdout.split()
            sizes = [run.xdotool("getwindowgeometry", w).stdout.split()[-1] for w in windows]
            self.assertGreaterEqual(sizes.count("1024x768"), 2, sizes)
            run.xdotool("key", "--delay", "1", "a", "space", "Escape", "Return", "b")
            self.assertIsNone(run.proc.poll(), "the demo was not held up in loading")
            drain = threading.Thread(target=lambda: open(fifo, "rb").read(), daemon=True)
            drain.start()
            self.assertEqual(run.finish(self, []), "")  # no scene played to a report


if __name__ == "__main__":
    unittest.main()
