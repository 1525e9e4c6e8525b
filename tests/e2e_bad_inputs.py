# Bad inputs: every picture replaced by a bad or unusual file, in two rounds of different kinds; a soundtrack
# of random bytes (reported, played silently) or cut in half (played until the cut). The demo plays to a
# clean exit, through a storm of keys in the second round; undecodable pictures become the placeholder.
import os
import random
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402
import pictures  # noqa: E402

KINDS = pictures.bad_pictures()
STORM = [chr(c) for c in range(ord("a"), ord("z") + 1)] + [str(d) for d in range(10)] + [
    "space", "Return", "Tab", "BackSpace", "Left", "Up", "Shift_L", "Control_L", "F1", "F12", "Delete", "q"]


class BadInputs(unittest.TestCase):
    def setUp(self):
        self.scenes, self.soundtrack = demo.play_list()
        self.names = demo.pictures(self.scenes)
        self.cwd = demo.workdir(with_data=False)

    def tearDown(self):
        shutil.rmtree(self.cwd, ignore_errors=True)

    # Writes a kind of picture for every name; returns name -> (kind, decodes).
    def place(self, round_):
        placed = {}
        for i, name in enumerate(self.names):
            kind, data, decodes = KINDS[(i + round_ * 5) % len(KINDS)]
            demo.write(os.path.join(self.cwd, name), data)
            placed[name] = (kind, decodes)
        self.assertEqual(len(placed), 9)
        return placed

    def check_pictures(self, errors, placed):
        lines = errors.splitlines()
        for name, (kind, decodes) in placed.items():
            about = [line for line in lines if line.startswith("PNG: ") and name in line]
            if decodes:
                self.assertEqual(about, [], "%s (%s) should show" % (name, kind))
            else:
                # The placeholder line and before it the reason: the decoder's or a size limit's.
                self.assertEqual(about[-1:], ["PNG: showing a placeholder for %s" % name], kind)
                self.assertGreaterEqual(len(about), 2, "%s: %s" % (kind, about))

    def test_random_soundtrack_and_a_round_of_bad_pictures(self):
        placed = self.place(0)
        demo.write(os.path.join(self.cwd, self.soundtrack), bytes(random.Random(4).randrange(256) for _ in range(100000)))
        with demo.Demo(self.cwd) as run:
            reports = run.step_through(len(self.scenes))
            errors = run.finish(self, reports)
        self.check_pictures(errors, placed)
        self.assertIn("PNG: setjmp() failed\n", errors)
        self.assertIn("Couldn't load music: ", errors)
        self.assertLess(errors.index("Couldn't load music: "), errors.index("No music...\n"))

    def test_soundtrack_cut_in_half_and_another_round_with_keys_and_escape(self):
        placed = self.place(1)
        ogg = demo.tone(os.path.join(self.cwd, "whole.ogg"), 4, square=True)
        demo.write(os.path.join(self.cwd, self.soundtrack), ogg[:len(ogg) // 2])
        record = os.path.join(self.cwd, "sound.raw")
        with demo.Demo(self.cwd, record=record) as run:
            run.focus()
            reports = run.step_through(len(self.scenes) - 2)
            # The storm falls inside a playing scene and neither ends it nor the demo.
            run.xdotool("key", "--delay", "1", *[random.Random(1).choice(STORM) for _ in range(400)])
            self.assertIsNone(run.next_line(1.0))
            reports += run.step_through(1)
            time.sleep(0.5)
            run.xdotool("key", "Escape")
            errors = run.finish(self, reports)  # the last scene has no report
        self.assertEqual(len(reports), len(self.scenes) - 1)
        self.check_pictures(errors, placed)
        self.assertNotIn("music", errors)
        left = demo.samples(record)
        loud = [i for i, s in enumerate(left) if s]
        # Some of the 4 s tone, never the whole of it: what follows the cut is silence.
        self.assertTrue(0.5 < (loud[-1] - loud[0]) / demo.RATE < 3.0)
        self.assertGreater(len(left) - loud[-1], demo.RATE)


if __name__ == "__main__":
    unittest.main()
