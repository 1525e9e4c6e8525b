#!/usr/bin/env python3
"""moriq-capture end to end: videos checked with ffprobe, their sound decoded back to check the music's
fades, numbered frames compared with stills of the same moments, and the message for a missing ffmpeg.

Every check runs against moriq-capture-short (the tool over a 10000 ms timeline of test scenes) and
moriq-capture itself. The soundtrack is a steady 441 Hz tone written by the test into a working
directory of its own, so the loudness of the capture shows the fades directly."""

import array
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo  # noqa: E402

SOUNDTRACK = "Tembrol_-_Verudoziv4.ogg"
# Each tool and the length of its timeline in ms.
TOOLS = [("moriq-capture-short", os.path.join(demo.BUILD, "moriq-capture-short"), 10000),
         ("moriq-capture", os.path.join(demo.BUILD, "moriq-capture"), 115000)]


def probe(path):
    info = json.loads(subprocess.run(["ffprobe", "-v", "error", "-show_streams", "-of", "json", path],
                                     capture_output=True, check=True).stdout)
    streams = {s["codec_type"]: s for s in info["streams"]}
    return streams["video"], streams["audio"]


def loudness(path, window_ms):
    """The sound's RMS level per window, relative to the test tone at full volume."""
    pcm = array.array("h")
    pcm.frombytes(subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "2", "-ar",
                                  str(demo.RATE), "-"], capture_output=True, check=True).stdout)
    full = 16384 / math.sqrt(2)
    step = demo.RATE * window_ms // 1000 * 2
    return [math.sqrt(sum(x * x for x in pcm[i:i + step]) / step) / full
            for i in range(0, len(pcm) - step + 1, step)]


class CaptureVideo(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The demo's pictures; the test tone in place of the soundtrack.
        cls.work = demo.workdir()
        demo.tone(os.path.join(cls.work, "data", SOUNDTRACK), 117)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def capture(self, tool, *args, cwd=None, env=None, ok=True):
        result = subprocess.run([tool] + list(args), cwd=cwd or self.work, env=env, capture_output=True,
                                text=True, timeout=500)
        if ok:
            self.assertEqual(result.returncode, 0, result.stderr)
        return result

    def out(self, name):
        return os.path.join(self.work, name)

    def test_videos_have_the_streams_and_the_music_fades_in_and_out(self):
        for name, tool, length in TOOLS:
            with self.subTest(name):
                self.capture(tool, "--video", self.out("start.mp4"), "--to", "2000")
                video, audio = probe(self.out("start.mp4"))
                self.assertEqual((video["codec_name"], video["width"], video["height"]), ("h264", 640, 480))
                self.assertEqual((video["r_frame_rate"], video["nb_frames"]), ("60/1", "120"))
                self.assertEqual((audio["sample_rate"], audio["channels"]), ("44100", 2))
                self.assertAlmostEqual(float(video["duration"]), 2.0, delta=1 / 60)
                self.assertAlmostEqual(float(audio["duration"]), float(video["duration"]), delta=1 / 60)
                # The music rises linearly over the first second, then plays at full volume.
                for i, value in enumerate(loudness(self.out("start.mp4"), 50)[:38]):
                    self.assertAlmostEqual(value, min(1.0, (i + 0.5) * 0.05), delta=0.04, msg="window %d" % i)

                # The last six seconds: full volume, then down to silence over the last five. A low frame
                # rate keeps the replay of the scene holding the start quick.
                self.capture(tool, "--video", self.out("end.mp4"), "--from", str(length - 6000), "--fps", "10")
                video, audio = probe(self.out("end.mp4"))
                self.assertEqual(video["nb_frames"], "60")
                self.assertAlmostEqual(float(audio["duration"]), 6.0, delta=0.1)
                level = loudness(self.out("end.mp4"), 100)
                for i, value in enumerate(level[:60]):
                    expected = 1.0 if i < 10 else (60 - i - 0.5) / 50
                    self.assertAlmostEqual(value, expected, delta=0.04, msg="window %d: %s" % (i, level))
                self.assertLess(max(level[59:]), 0.02)

    def test_frames_are_the_stills_of_the_same_moments(self):
        # Across the short timeline's first scene change; from the start on the demo's.
        for name, tool, _ in TOOLS:
            with self.subTest(name):
                fps, start, end = (30, 2950, 3100) if name == "moriq-capture-short" else (10, 0, 300)
                frames = self.out("frames-" + name)
                self.capture(tool, "--frames", frames, "--fps", str(fps), "--from", str(start), "--to", str(end))
                expected = [n for n in range(end * fps // 1000 + 1) if start <= n * 1000 // fps < end]
                self.assertEqual(sorted(os.listdir(frames)), ["frame-%06d.png" % n for n in expected])
                for n in expected:
                    self.capture(tool, "--at", str(n * 1000 // fps), "--fps", str(fps), "--out", self.out("still.png"))
                    with open(self.out("still.png"), "rb") as a, open(os.path.join(frames, "frame-%06d.png" % n), "rb") as b:
                        self.assertTrue(a.read() == b.read(), "frame %d differs from its still" % n)

    def test_the_play_list_needs_no_display(self):
        for name, tool, _ in TOOLS:
            self.assertTrue(self.capture(tool, "--list", env=demo.headless()).stdout.endswith("\tdata/%s\n" % SOUNDTRACK), name)

    def test_messages_without_ffmpeg_or_soundtrack(self):
        empty = tempfile.mkdtemp(dir=self.work)
        result = self.capture(TOOLS[0][1], "--video", self.out("none.mp4"), "--to", "500",
                              env=dict(os.environ, PATH=empty), ok=False)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("needs the ffmpeg program", result.stderr)
        self.assertIn("apt-get install ffmpeg", result.stderr)
        self.assertFalse(os.path.exists(self.out("none.mp4")))
        # Without the soundtrack the video is still made, with silence as long as the pictures.
        result = self.capture(TOOLS[0][1], "--video", self.out("silent.mp4"), "--to", "1000", cwd=empty)
        self.assertIn("data/" + SOUNDTRACK, result.stderr)
        video, audio = probe(self.out("silent.mp4"))
        self.assertAlmostEqual(float(audio["duration"]), float(video["duration"]), delta=1 / 60)
        self.assertEqual(max(loudness(self.out("silent.mp4"), 50)), 0.0)

    def test_help_and_the_choice_of_quality(self):
        # --help answers on standard output, whatever else is on the line, with no display needed.
        tool = TOOLS[0][1]
        result = self.capture(tool, "--video", "x.mp4", "--help", env=demo.headless())
        self.assertTrue(result.stdout.startswith("usage: moriq-capture"), result.stdout)
        self.assertIn("--quality fast", result.stdout)
        self.assertEqual(result.stderr, "")
        # A quality is a video's, and one of two names.
        for args in (["--video", self.out("q.mp4"), "--quality", "best"],
                     ["--frames", self.out("q"), "--quality", "small"]):
            bad = self.capture(tool, *args, "--to", "500", ok=False)
            self.assertEqual(bad.returncode, 2, args)
            self.assertIn("usage:", bad.stderr)
        # Either makes the whole video; the small one is smaller.
        sizes = {}
        for quality in ("fast", "small"):
            path = self.out(quality + ".mp4")
            self.capture(tool, "--video", path, "--quality", quality, "--to", "1000")
            video, _ = probe(path)
            self.assertEqual((video["codec_name"], video["nb_frames"]), ("h264", "60"), quality)
            sizes[quality] = os.path.getsize(path)
        self.assertLess(sizes["small"], sizes["fast"])


if __name__ == "__main__":
    unittest.main()
