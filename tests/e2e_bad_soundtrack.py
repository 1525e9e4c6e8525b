"""A soundtrack of random bytes and one cut in half, with the sound recorded by SDL's disk driver: the
first is reported and the demo plays silently, the second plays what decodes and then falls silent;
every scene plays (ended early by close requests) to a clean exit either way."""
import array
import os
import random
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bad_inputs  # noqa: E402
import demo_runner  # noqa: E402

RATE = 44100  # stereo frames per second of the recording (signed 16-bit samples)
TONE_SECONDS = 4.0


class BadSoundtrack(unittest.TestCase):
    def setUp(self):
        self.scenes = bad_inputs.scenes()
        self.cwd = demo_runner.scratch_dir(with_data=True)
        self.record = os.path.join(self.cwd, "sound.raw")

    def tearDown(self):
        shutil.rmtree(self.cwd, ignore_errors=True)

    def play(self, soundtrack):
        bad_inputs.write(os.path.join(self.cwd, bad_inputs.SOUNDTRACK), soundtrack)
        # A short delay per buffer makes the recording run about nine times faster than real time.
        errors = bad_inputs.play_every_scene(self, self.cwd, self.scenes, settle=0.5, env={
            "SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": self.record, "SDL_DISKAUDIODELAY": "10"})
        samples = array.array("h")
        if os.path.exists(self.record):
            with open(self.record, "rb") as f:
                samples.frombytes(f.read())
        return errors, samples

    def test_random_bytes_are_reported_and_the_demo_plays_silently(self):
        noise = bytes(random.Random(4).randrange(256) for _ in range(100000))
        errors, samples = self.play(noise)
        self.assertIn("Couldn't load music: ", errors)
        self.assertIn("No music...\n", errors)
        self.assertFalse(any(samples), "something was played")

    def test_a_soundtrack_cut_in_half_plays_what_decodes(self):
        whole = os.path.join(self.cwd, "whole.ogg")
        bad_inputs.soundtrack(whole, TONE_SECONDS)
        with open(whole, "rb") as f:
            ogg = f.read()
        errors, samples = self.play(ogg[:len(ogg) // 2])
        self.assertNotIn("Couldn't load music", errors)
        self.assertNotIn("No music...", errors)
        if not self.scenes:
            return
        loud = [i for i, s in enumerate(samples) if s]
        self.assertTrue(loud, "nothing was played")
        heard = (loud[-1] - loud[0]) / 2.0 / RATE
        # Some of the tone, never more than the whole of it: what follows the cut is silence.
        self.assertGreater(heard, 0.3)
        self.assertLess(heard, TONE_SECONDS)


if __name__ == "__main__":
    unittest.main()
