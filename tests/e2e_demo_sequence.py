"""The real demo under X: close requests end one scene, Escape ends the demo, and a missing
audio device or a recorded one behave as they should."""
import array
import math
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from demo_runner import REPORT_PREFIX, Demo, report_seconds, scratch_dir  # noqa: E402


class DemoSequence(unittest.TestCase):
    def test_close_request_ends_only_the_scene_and_escape_ends_the_demo_without_audio(self):
        demo = Demo(env={"SDL_AUDIODRIVER": "no-such-driver"})
        try:
            first = demo.end_first_scene()
            self.assertIn(REPORT_PREFIX, first or "no report after the close request")
            self.assertLess(report_seconds(first), 20, "the first scene played on after the close request")
            # The second scene is playing now; Escape ends everything without another report.
            self.assertIsNone(demo.next_line(2))
            demo.press("Escape")
            self.assertEqual(demo.wait(20), 0)
            self.assertEqual([l for l in demo.stdout if REPORT_PREFIX in l], [first])
            # Without an audio device the demo says so once and plays silently.
            self.assertIn("Couldn't initialize SDL_mixer: ", demo.errors())
            self.assertIn("No music...\n", demo.errors())
            self.assertNotIn("Couldn't load music", demo.errors())
        finally:
            demo.kill()

    @unittest.skipUnless(shutil.which("sox"), "sox makes the test soundtrack")
    def test_recorded_sound_fades_in_over_the_first_second(self):
        # A steady tone as the soundtrack, so the only change in loudness is the fade.
        work = scratch_dir(with_data=True)
        subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", os.path.join(work, "data", "Tembrol_-_Verudoziv4.ogg"),
                        "synth", "10", "sine", "440", "vol", "0.5"], check=True)
        raw = os.path.join(work, "sound.raw")
        demo = Demo(cwd=work, env={"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": raw})
        try:
            # Loading takes a moment; the recording needs a few seconds of music after it.
            self.assertIsNone(demo.next_line(9))
            demo.press("Escape")
            self.assertEqual(demo.wait(20), 0)
        finally:
            demo.kill()
        left = array.array("h")
        with open(raw, "rb") as f:
            left.frombytes(f.read())
        left = left[0::2]
        onset = next(i for i, s in enumerate(left) if s)

        def rms(start_s, end_s):
            part = left[onset + int(start_s * 44100): onset + int(end_s * 44100)]
            return math.sqrt(sum(s * s for s in part) / len(part))

        # The mixer raises the volume in steps of one audio buffer, so full level comes a little before 1 s.
        levels = [rms(a / 10, a / 10 + 0.1) for a in range(0, 10)]
        for before, after in zip(levels, levels[1:]):
            self.assertLessEqual(before, after * 1.01, "the level does not rise through the first second")
        self.assertLess(levels[0], 0.25 * levels[9])
        self.assertAlmostEqual(rms(1.5, 2.5), levels[9], delta=levels[9] * 0.05)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
