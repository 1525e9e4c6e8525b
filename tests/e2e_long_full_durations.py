# The whole demo, twice side by side (one demo's length, about two minutes): with no data/ at all, and
# with the real data but no audio device. Either way every scene plays its full duration, every file is
# reported missing by name or none at all, and the demo exits with status 0.
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

# A scene's last frame may carry it past its end: a starved frame under the sanitizers on shared cores has
# taken over three seconds. A scene running on by anything like its own length still fails.
LATE_MS = 8000


class FullDurations(unittest.TestCase):
    def test_every_scene_plays_its_full_duration_without_data_or_without_sound(self):
        scenes, soundtrack = demo.play_list()
        total = sum(duration for _, _, duration, _ in scenes) / 1000.0
        empty = tempfile.mkdtemp(prefix="moriq-nodata-")
        try:
            with demo.Demo(empty) as bare, demo.Demo(demo.SOURCE, env={"SDL_AUDIODRIVER": "no-such-driver"}) as mute:
                for run in (bare, mute):
                    run.proc.wait(timeout=total + 180)
                    errors = run.finish(self)
                    self.assertEqual(len(run.stdout), len(scenes), errors)
                    for (name, _, duration, _), report in zip(scenes, run.stdout):
                        self.assertGreaterEqual(demo.played_ms(report), duration - 1, name)
                        self.assertLess(demo.played_ms(report), duration + LATE_MS, name)
        finally:
            shutil.rmtree(empty)
        missing = ["Couldn't load music: Couldn't open '%s'; %s" % (soundtrack, demo.looked_at(soundtrack, empty)),
                   "No music..."]
        for picture in demo.pictures(scenes):
            missing += ["PNG: Failed to open %s for reading; %s" % (picture, demo.looked_at(picture, empty)), "PNG: showing a placeholder for %s" % picture]
        self.assertEqual(sorted(set("".join(bare.stderr).splitlines())), sorted(missing))
        self.assertRegex("".join(mute.stderr), r"^Couldn't initialize SDL_mixer: .*\nNo music...\n$")


if __name__ == "__main__":
    unittest.main()
