"""Every scene of the play list, with the real data: the demo plays each for a second (ended by close
requests) and the stills tool draws the middle of each, all to a clean exit. Run in the sanitized
build, this is the check that no scene trips AddressSanitizer, LeakSanitizer or UBSan."""
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bad_inputs  # noqa: E402
import demo_runner  # noqa: E402

CAPTURE = os.path.join(demo_runner.BUILD_DIR, "moriq-capture")


class EveryScene(unittest.TestCase):
    def setUp(self):
        self.scenes = bad_inputs.scenes()
        self.cwd = demo_runner.scratch_dir(with_data=True)

    def tearDown(self):
        shutil.rmtree(self.cwd, ignore_errors=True)

    def test_the_demo_plays_every_scene(self):
        bad_inputs.play_every_scene(self, self.cwd, self.scenes, settle=1.0)

    def test_the_stills_tool_draws_the_middle_of_every_scene(self):
        start = 0
        with bad_inputs.PrivateDisplay() as display:
            for name, duration in self.scenes:
                at = start + duration // 2
                start += duration
                out = os.path.join(self.cwd, "%s-%d.png" % (name, at))
                with self.subTest(scene=name, at=at):
                    # A coarse frame grid: the scene plays from its start up to the moment asked for.
                    run = subprocess.run([CAPTURE, "--at", str(at), "--out", out, "--fps", "10"], cwd=self.cwd,
                                         env=dict(os.environ, SDL_AUDIODRIVER="dummy", **display.env),
                                         capture_output=True, text=True, timeout=300)
                    self.assertEqual(run.returncode, 0, run.stderr)
                    self.assertEqual(bad_inputs.sanitizer_reports(run.stderr), [])
                    with open(out, "rb") as f:
                        self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")


if __name__ == "__main__":
    unittest.main()
