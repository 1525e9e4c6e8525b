"""Every picture the scenes read replaced by a bad or unusual file (truncated, garbage, empty, a
decompression bomb, 16-bit, interlaced, palette with transparency, 1 pixel high, odd width): the files
that decode show without a word, the others become the placeholder with their messages, and every
scene plays (ended early by close requests) to a clean exit."""
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bad_inputs  # noqa: E402


class BadPictures(unittest.TestCase):
    def test_each_picture_shows_or_is_the_placeholder_with_its_message(self):
        scenes = bad_inputs.scenes()
        names = bad_inputs.pictures(name for name, _ in scenes)
        if not names:
            self.skipTest("no scene reads a picture yet")
        kinds = bad_inputs.bad_pictures()
        # Rounds enough for every kind to be tried, and one more: each round shifts which picture gets
        # which kind, so the pictures a scene uses in its own way (the sphere map) meet more of them.
        rounds = -(-len(kinds) // len(names)) + 1
        tried = set()
        for round_ in range(rounds):
            cwd = tempfile.mkdtemp(prefix="moriq-badpng-")
            try:
                placed = {}
                for i, picture in enumerate(names):
                    kind, contents, decodes = kinds[(round_ * (len(names) + 1) + i) % len(kinds)]
                    bad_inputs.write(os.path.join(cwd, picture), contents)
                    placed[picture] = (kind, decodes)
                    tried.add(kind)
                self.play(cwd, scenes, placed)
            finally:
                shutil.rmtree(cwd, ignore_errors=True)
        self.assertEqual(tried, {kind for kind, _, _ in kinds})

    def play(self, cwd, scenes, placed):
        errors = bad_inputs.play_every_scene(self, cwd, scenes, settle=0.2)
        lines = errors.splitlines()
        for picture, (kind, decodes) in placed.items():
            about = [line for line in lines if line.startswith("PNG: ") and picture in line]
            if decodes:
                self.assertEqual(about, [], "%s (%s) should show\n%s" % (picture, kind, errors))
            else:
                self.assertIn("PNG: showing a placeholder for %s" % picture, about, kind)
                # Besides the placeholder line, the reason: the decoder's or the size limit's.
                self.assertGreaterEqual(len(about), 2, "%s: %s" % (kind, about))
        if any(not decodes for _, decodes in placed.values()):
            self.assertIn("PNG: setjmp() failed\n", errors)


if __name__ == "__main__":
    unittest.main()
