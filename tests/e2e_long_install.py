# The installed programs: cmake --install into a temporary prefix puts everything where the desktop looks
# for it; the installed capture tool started from / draws the same still as the build tree's from the
# repository. With the installed data gone, the installed demo names both places it looked for each file,
# and plays every scene its full duration, as the demo with its data but no audio device does beside it.
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

# A scene's last frame may carry it past its end: a starved frame under the sanitizers on shared cores has
# taken over three seconds. A scene running on by anything like its own length still fails.
LATE_MS = 8000
INSTALLED = ["bin/moriq-demo", "bin/moriq-capture", "share/moriq-demo/data/tufs_dude.png",
             "share/applications/moriq-demo.desktop", "share/icons/hicolor/256x256/apps/moriq-demo.png",
             "share/man/man6/moriq-demo.6.gz", "share/man/man6/moriq-capture.6.gz", "share/doc/moriq-demo/copyright"]


class Install(unittest.TestCase):
    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="moriq-prefix-")
        subprocess.run(["cmake", "--install", demo.BUILD, "--prefix", self.prefix], check=True, capture_output=True)

    def tearDown(self):
        shutil.rmtree(self.prefix, ignore_errors=True)

    def still(self, program, cwd):
        path = os.path.join(self.prefix, "still-%d.png" % len(os.listdir(self.prefix)))
        result = subprocess.run([program, "--at", "64000", "--out", path], cwd=cwd, capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        with open(path, "rb") as f:
            return f.read()

    def test_installed_programs_run_from_anywhere_and_name_every_place_they_looked(self):
        for path in INSTALLED:
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, path)), path)
        with open(os.path.join(self.prefix, "share/applications/moriq-demo.desktop")) as f:
            self.assertIn("\nExec=moriq-demo --native\n", f.read())
        self.assertEqual(sorted(os.listdir(os.path.join(self.prefix, "share/moriq-demo/data"))),
                         sorted(os.listdir(os.path.join(demo.SOURCE, "data"))))
        installed = os.path.join(self.prefix, "bin", "moriq-demo")
        self.assertEqual(self.still(os.path.join(self.prefix, "bin", "moriq-capture"), "/"),
                         self.still(os.path.join(demo.BUILD, "moriq-capture"), demo.SOURCE))

        shutil.rmtree(os.path.join(self.prefix, "share", "moriq-demo"))
        scenes, soundtrack = demo.play_list()
        total = sum(duration for _, _, duration, _ in scenes) / 1000.0
        with demo.Demo("/", program=installed) as bare, \
                demo.Demo(demo.SOURCE, env={"SDL_AUDIODRIVER": "no-such-driver"}) as mute:
            for run in (bare, mute):
                run.proc.wait(timeout=total + 180)
                run.finish(self)
                for (name, _, duration, _), report in zip(scenes, run.stdout):
                    self.assertGreaterEqual(demo.played_ms(report), duration - 1, name)
                    self.assertLess(demo.played_ms(report), duration + LATE_MS, name)
        missing = ["Couldn't load music: Couldn't open '%s'; %s" % (soundtrack, demo.looked_at(soundtrack, "/", self.prefix)),
                   "No music..."]
        for name in demo.pictures(scenes):
            missing += ["PNG: Failed to open %s for reading; %s" % (name, demo.looked_at(name, "/", self.prefix)),
                        "PNG: showing a placeholder for %s" % name]
        self.assertEqual(sorted(set("".join(bare.stderr).splitlines())), sorted(missing))
        self.assertRegex("".join(mute.stderr), r"^Couldn't initialize SDL_mixer: .*\nNo music...\n$")


if __name__ == "__main__":
    unittest.main()
