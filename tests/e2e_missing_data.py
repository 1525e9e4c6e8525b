"""The demo without its files: with no data/ at all, and started from another working directory, every
picture and the soundtrack are reported missing by name, pictures become the placeholder, the music
is dropped, and every scene still plays (ended early by close requests) to a clean exit."""
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bad_inputs  # noqa: E402
import demo_runner  # noqa: E402


class MissingData(unittest.TestCase):
    def play(self, cwd):
        scenes = bad_inputs.scenes()
        errors = bad_inputs.play_every_scene(self, cwd, scenes, settle=0.2)

        self.assertIn("Couldn't load music: Couldn't open '%s'" % bad_inputs.SOUNDTRACK, errors)
        self.assertIn("No music...\n", errors)
        self.assertLess(errors.index("Couldn't load music: "), errors.index("No music..."))
        for picture in bad_inputs.pictures(name for name, _ in scenes):
            self.assertIn("PNG: Failed to open %s for reading\n" % picture, errors)
            self.assertIn("PNG: showing a placeholder for %s\n" % picture, errors)
        return errors

    def test_no_data_directory(self):
        cwd = tempfile.mkdtemp(prefix="moriq-nodata-")
        try:
            self.play(cwd)
        finally:
            shutil.rmtree(cwd, ignore_errors=True)

    def test_started_from_another_directory(self):
        # As someone who builds and then runs the demo from inside the build directory would.
        self.assertFalse(os.path.exists(os.path.join(demo_runner.BUILD_DIR, "data")))
        self.play(demo_runner.BUILD_DIR)


if __name__ == "__main__":
    unittest.main()
