# The live demo started at a moment and played by a viewer's keys. The soundtrack here changes pitch each
# second (400 Hz in even seconds, 800 Hz in odd ones), so the recording tells where in it the music is.
# --start plays each scene from a moment 1.25 s before its end, the music from the same point, and only
# that scene's report line comes out before Escape; with --controls, a pause holds the music where it is
# and a resume goes on from there.
import array
import math
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

SYNC_S = 0.045  # sound early or late by more than this is noticed (ITU-R BT.1359)
WINDOW = 441    # samples: 10 ms


# swapped: 800 Hz in even seconds and 400 Hz in odd ones.
def pitch_track(path, seconds, swapped=False):
    second = {f: array.array("h", [int(12000 * math.sin(2 * math.pi * f * i / demo.RATE)) for i in range(demo.RATE)
                                   for _ in "lr"]).tobytes() for f in (400, 800)}
    demo.ogg(path, b"".join(second[800 if s % 2 != swapped else 400] for s in range(seconds)))


# The recording as 10 ms windows of music: (seconds of music heard before it, parity of the track's second),
# silent windows (a pause, before the onset) left out.
def heard(record):
    left = demo.samples(record)
    out = []
    for w in range(len(left) // WINDOW):
        chunk = left[w * WINDOW:(w + 1) * WINDOW]
        if max(abs(v) for v in chunk) < 500:
            continue
        crossings = sum(1 for a, b in zip(chunk, chunk[1:]) if (a < 0) != (b < 0))
        out.append((len(out) * WINDOW / demo.RATE, 1 if crossings > 12 else 0))
    return out


# Seconds of music heard until each change of the track's second (a parity that holds for 30 ms), and the
# parity heard first. The first window, where the music sets in part of the way, is left out.
def changes(record):
    windows = heard(record)[1:]
    found, held = [], windows[0][1] if windows else None
    for i, (t, p) in enumerate(windows):
        # Against the parity that held, so one odd window (where the music stops or sets in) is no change.
        if p != held and [q for _, q in windows[i:i + 3]] == [p] * 3:
            found.append(t)
            held = p
    return found, windows[0][1] if windows else None


class Player(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scenes, _ = demo.play_list()
        cls.cwd = demo.workdir()
        pitch_track(os.path.join(cls.cwd, "data", "Tembrol_-_Verudoziv4.ogg"), 116)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.cwd, ignore_errors=True)

    def test_start_plays_each_scene_from_the_moment_with_the_music_there(self):
        for index, (name, begins, duration, _) in enumerate(self.scenes):
            start = (begins + duration - 1250) / 1000.0
            record = os.path.join(self.cwd, "start.raw")
            with self.subTest(scene=name, start=start), \
                    demo.Demo(self.cwd, record=record, args=("--window", "--start", str(start))) as run:
                report = run.next_line(60)
                self.assertIsNotNone(report, "".join(run.stderr))
                self.assertIn(demo.REPORT, report)
                if index + 1 < len(self.scenes):
                    run.focus()
                    run.xdotool("key", "--window", run.window(), "Escape")
                run.finish(self, [report])
                # The music from the moment: this second's pitch, then the next one's a quarter second on.
                found, first = changes(record)
                self.assertEqual(first, int(start) % 2)
                self.assertAlmostEqual(found[0], 0.25, delta=SYNC_S)

    def test_a_pause_holds_the_music_and_a_resume_goes_on_from_there(self):
        record = os.path.join(self.cwd, "pause.raw")
        # The disk driver at the pace of real time, so the pause is as long in the recording as it was.
        with demo.Demo(self.cwd, record=record, env={"SDL_DISKAUDIODELAY": "93"},
                       args=("--window", "--controls", "--start", "40.25")) as run:
            run.focus()
            run.wait(lambda: demo.onset(record) is not None, "the music heard")
            time.sleep(0.3)
            run.xdotool("key", "--window", run.window(), "space")
            time.sleep(0.8)
            run.xdotool("key", "--window", run.window(), "space")
            time.sleep(1.5)
            run.xdotool("key", "--window", run.window(), "Escape")
            run.finish(self, [])
        # Music, a silence of about the pause, then the same music going on: its seconds change every
        # second of music heard, three quarters of a second after the start.
        left = demo.samples(record)
        onset = int(demo.onset(record) * demo.RATE)
        quiet = max((len(run_) for run_ in "".join("q" if abs(v) < 500 else "m" for v in left[onset:]).split("m")),
                    default=0)
        self.assertGreater(quiet / demo.RATE, 0.5, "no pause in the music")
        found, first = changes(record)
        self.assertEqual(first, 0)
        self.assertGreaterEqual(len(found), 2)
        for n, t in enumerate(found):
            self.assertAlmostEqual(t, 0.75 + n, delta=SYNC_S)


if __name__ == "__main__":
    unittest.main()
