"""Bad inputs leave the timing alone: with no data/ at all, with a soundtrack of random bytes, with
one cut in half and with no audio device, the demo plays every scene for its full duration and exits
with status 0. The four runs play side by side, so this takes one demo's length (about two minutes once every scene is in)."""
import os
import random
import shutil
import sys
import tempfile
import threading
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bad_inputs  # noqa: E402
import demo_runner  # noqa: E402

# A scene's last frame is drawn once its time is up, and may carry it past the end: under the
# sanitizers, with four demos and the other tests on two shared cores, a starved frame has taken over
# three seconds. A scene running on by anything like its own length still fails, except the 5 s one.
LATE_MS = 8000


class FullDurations(unittest.TestCase):
    def test_every_scene_plays_its_full_duration_whatever_the_inputs(self):
        scenes = bad_inputs.scenes()
        total = sum(duration for _, duration in scenes) / 1000.0
        work = tempfile.mkdtemp(prefix="moriq-long-")
        try:
            no_data = os.path.join(work, "no-data")
            os.makedirs(no_data)
            noise = demo_runner.scratch_dir(with_data=True)
            bad_inputs.write(os.path.join(noise, bad_inputs.SOUNDTRACK),
                             bytes(random.Random(5).randrange(256) for _ in range(50000)))
            cut = demo_runner.scratch_dir(with_data=True)
            bad_inputs.soundtrack(os.path.join(work, "tone.ogg"), 20.0)
            with open(os.path.join(work, "tone.ogg"), "rb") as f:
                ogg = f.read()
            bad_inputs.write(os.path.join(cut, bad_inputs.SOUNDTRACK), ogg[:len(ogg) // 2])

            silent = {"SDL_AUDIODRIVER": "no-such-driver"}
            runs = {"no data": (no_data, {}), "random soundtrack": (noise, {}),
                    "soundtrack cut in half": (cut, {}), "no audio device": (demo_runner.SOURCE_DIR, silent)}
            results = {}

            def play(label, run):
                cwd, env = run
                with bad_inputs.PrivateDisplay() as display:
                    demo = demo_runner.Demo(cwd=cwd, env=dict(display.env, **env))
                    try:
                        results[label] = (demo.wait(timeout=total + 180), demo)
                    except Exception as e:  # a hang fails the status check below
                        results[label] = (e, demo)
                    finally:
                        demo.kill()

            threads = [threading.Thread(target=play, args=item) for item in runs.items()]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
            for label, (status, demo) in sorted(results.items()):
                with self.subTest(label):
                    self.check(scenes, status, demo)
                    if label == "no audio device":
                        self.assertIn("No music...\n", demo.errors())
            self.assertEqual(set(results), set(runs))
            for cwd in (noise, cut):
                shutil.rmtree(cwd, ignore_errors=True)
        finally:
            shutil.rmtree(work, ignore_errors=True)

    def check(self, scenes, status, demo):
        errors = demo.errors()
        self.assertEqual(status, 0, errors)
        self.assertEqual(bad_inputs.sanitizer_reports(errors), [])
        reports = [line for line in demo.stdout if demo_runner.REPORT_PREFIX in line]
        self.assertEqual(len(reports), len(scenes), "".join(demo.stdout))
        for (name, duration), line in zip(scenes, reports):
            played = demo_runner.report_seconds(line) * 1000
            self.assertGreaterEqual(played, duration - 1, "%s: %s" % (name, line))
            self.assertLess(played, duration + LATE_MS, "%s: %s" % (name, line))


if __name__ == "__main__":
    unittest.main()
