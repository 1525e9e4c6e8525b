# The installed programs: cmake --install into a temporary prefix puts everything where the desktop looks
# for it; the installed capture tool started from / draws the same still as the build tree's from the
# repository; with the installed data gone, the installed demo names both places it looked and plays on.
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

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
        with demo.Demo("/", program=installed) as run:
            reports = run.step_through(len(scenes))
            errors = run.finish(self, reports)
        self.assertEqual(len(reports), len(scenes))
        self.assertIn("Couldn't open '%s'; %s\n" % (soundtrack, demo.looked_at(soundtrack, "/", self.prefix)), errors)
        for name in demo.pictures(scenes):
            self.assertIn("PNG: Failed to open %s for reading; %s\n" % (name, demo.looked_at(name, "/", self.prefix)),
                          errors)


if __name__ == "__main__":
    unittest.main()
