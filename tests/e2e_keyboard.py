"""The scene loop's keyboard rules with the real demo on its own X display: a storm of key presses and
releases changes nothing, Escape ends the demo at once, and Escape pressed during loading ends it as
soon as the first scene starts, with no report."""
import os
import random
import shutil
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bad_inputs  # noqa: E402
import demo_runner  # noqa: E402

STORM_KEYS = ([chr(c) for c in range(ord("a"), ord("z") + 1)] + [str(d) for d in range(10)] +
              ["space", "Return", "Tab", "BackSpace", "Left", "Right", "Up", "Down", "Shift_L", "Control_L",
               "F1", "F5", "F12", "Home", "End", "Page_Up", "Delete", "KP_Enter", "q", "Alt_L"])


class Keyboard(unittest.TestCase):
    def setUp(self):
        self.scenes = bad_inputs.scenes()
        self.cwd = demo_runner.scratch_dir(with_data=True)
        self.display = bad_inputs.PrivateDisplay().__enter__()
        self.demo = None

    def tearDown(self):
        if self.demo:
            self.demo.kill()
        self.display.__exit__()
        shutil.rmtree(self.cwd, ignore_errors=True)

    def assertCleanExit(self, timeout):
        started = time.monotonic()
        self.assertEqual(self.demo.wait(timeout=timeout), 0, self.demo.errors())
        self.assertEqual(bad_inputs.sanitizer_reports(self.demo.errors()), [])
        return time.monotonic() - started

    def test_key_storm_is_ignored_and_escape_still_ends_at_once(self):
        if not self.scenes:
            self.skipTest("the play list is empty")
        self.demo = demo_runner.Demo(cwd=self.cwd, env=self.display.env)
        self.display.focus_demo()
        # With two scenes or more the first is ended by a close request, so the storm surely falls
        # inside a playing scene (the second); with one, inside the first once it has had time to start.
        reports = bad_inputs.step_through(self.demo, 1) if len(self.scenes) > 1 else []
        if len(self.scenes) == 1:
            time.sleep(3)
        rng = random.Random(1)
        presses = [rng.choice(STORM_KEYS) for _ in range(400)]
        self.display.xdotool("key", "--delay", "1", *presses)
        held = rng.sample(STORM_KEYS[:36], 8)
        self.display.xdotool("keydown", "--delay", "1", *held)
        self.display.xdotool("keyup", "--delay", "1", *held)
        # The storm neither ended the scene nor the demo.
        self.assertIsNone(self.demo.next_line(1.0))
        self.assertIsNone(self.demo.proc.poll())

        self.display.xdotool("key", "--delay", "1", *(presses[:50] + ["Escape"] + presses[50:100]))
        self.assertLess(self.assertCleanExit(timeout=20), 10)
        self.assertEqual(len(reports), 1 if len(self.scenes) > 1 else 0)
        self.assertEqual("".join(self.demo.stdout).count(demo_runner.REPORT_PREFIX), len(reports))

    def test_escape_during_loading_ends_the_first_scene_at_once(self):
        # The audio device is a pipe: opening it blocks the demo in the middle of loading until it is read.
        fifo = os.path.join(tempfile.mkdtemp(prefix="moriq-fifo-"), "audio")
        os.mkfifo(fifo)
        self.demo = demo_runner.Demo(cwd=self.cwd, env=dict(self.display.env, SDL_AUDIODRIVER="disk",
                                                            SDL_DISKAUDIOFILE=fifo))
        self.display.focus_demo()
        self.display.xdotool("key", "Escape")
        time.sleep(0.2)
        self.assertIsNone(self.demo.proc.poll(), "the demo was not held up in loading")

        def read_all():
            with open(fifo, "rb") as audio:
                while audio.read(65536):
                    pass

        drain = threading.Thread(target=read_all, daemon=True)
        drain.start()
        first = self.scenes[0][1] / 1000.0 if self.scenes else 0
        elapsed = self.assertCleanExit(timeout=60)
        self.assertEqual(self.demo.stdout, [])
        if self.scenes:
            self.assertLess(elapsed, first / 2)
        drain.join(timeout=10)
        shutil.rmtree(os.path.dirname(fifo), ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
