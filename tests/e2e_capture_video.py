#!/usr/bin/env python3
"""moriq-capture end to end: videos checked with ffprobe, their sound decoded back to check the music's
fades, numbered frames compared with stills of the same moments, Ctrl-C leaving a playable file, and the
messages for a missing ffmpeg, display or soundtrack.

Every check runs against moriq-capture-short (the tool over a 10000 ms timeline of test scenes) and,
once the demo's own timeline is long enough for it, against moriq-capture itself. The soundtrack is a
steady 441 Hz tone written by the test into a working directory of its own, so the loudness of the
capture shows the fades directly."""

import array
import json
import math
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import unittest

SOURCE = os.environ.get("MORIQ_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("MORIQ_BUILD_DIR", os.path.join(SOURCE, "build"))
SOUNDTRACK = "Tembrol_-_Verudoziv4.ogg"
AMPLITUDE = 0.5          # of the test tone, in full scale
RATE = 44100
DEMO_MS = 115000         # the demo's six scenes
# The X server here now and then refuses a client at start-up; such a run is tried again.
NO_DISPLAY = "Couldn't open X11 display"


def timeline_length(tool):
    usage = subprocess.run([tool], capture_output=True, text=True).stderr
    match = re.search(r"the timeline is (\d+) ms long", usage)
    if not match:
        raise AssertionError("no timeline length in the usage text of %s:\n%s" % (tool, usage))
    return int(match.group(1))


TOOLS = [(name, os.path.join(BUILD, name)) for name in ("moriq-capture-short", "moriq-capture")]
LENGTHS = {name: timeline_length(path) for name, path in TOOLS}


def tools(needed_ms, music=False):
    """The tools whose timeline holds at least needed_ms. Checks of the music wait for the demo's whole
    play list: until its last scene has landed, the fade-out comes at the start of some other scene."""
    whole = {"moriq-capture-short": True, "moriq-capture": LENGTHS["moriq-capture"] == DEMO_MS}
    return [(name, path, LENGTHS[name]) for name, path in TOOLS
            if LENGTHS[name] >= needed_ms and (whole[name] or not music)]


def make_soundtrack(path, seconds):
    """A stereo 441 Hz tone (exactly 100 samples a period) encoded with oggenc."""
    period = array.array("h")
    for i in range(100):
        s = int(round(AMPLITUDE * 32767 * math.sin(2 * math.pi * i / 100)))
        period.extend((s, s))
    pcm = period * (RATE * seconds // 100)
    raw = path + ".raw"
    with open(raw, "wb") as f:
        f.write(pcm.tobytes())
    subprocess.run(["oggenc", "-Q", "-r", "-R", str(RATE), "-C", "2", "-B", "16", "-o", path, raw], check=True)
    os.remove(raw)


def probe(path, count_frames=False):
    args = ["ffprobe", "-v", "error", "-show_streams", "-show_format", "-of", "json"]
    if count_frames:
        args.append("-count_frames")
    info = json.loads(subprocess.run(args + [path], capture_output=True, check=True).stdout)
    streams = {s["codec_type"]: s for s in info["streams"]}
    return streams.get("video"), streams.get("audio"), info["format"]


def loudness(path, window_ms=50):
    """The sound's RMS level per window, relative to the test tone at full volume."""
    pcm = array.array("h")
    pcm.frombytes(subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "2", "-ar",
                                  str(RATE), "-"], capture_output=True, check=True).stdout)
    full = AMPLITUDE * 32767 / math.sqrt(2)
    step = RATE * window_ms // 1000 * 2
    return [math.sqrt(sum(x * x for x in pcm[i:i + step]) / step) / full
            for i in range(0, len(pcm) - step + 1, step)]


class CaptureVideo(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for program in ("ffmpeg", "ffprobe", "oggenc"):
            if not shutil.which(program):
                raise AssertionError("%s is needed (scripts/deps.sh --test installs it)" % program)
        cls.work = tempfile.mkdtemp(prefix="moriq-capture-video-")
        data = os.path.join(cls.work, "data")
        os.mkdir(data)
        # The demo's pictures where there are any; the test tone in place of the soundtrack.
        source_data = os.path.join(SOURCE, "data")
        if os.path.isdir(source_data):
            for name in os.listdir(source_data):
                if name != SOUNDTRACK:
                    os.symlink(os.path.join(source_data, name), os.path.join(data, name))
        make_soundtrack(os.path.join(data, SOUNDTRACK), max(LENGTHS.values()) // 1000 + 2)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def capture(self, tool, *args, cwd=None, env=None, ok=True):
        for _ in range(3):
            result = subprocess.run([tool] + list(args), cwd=cwd or self.work, env=env, capture_output=True,
                                    text=True, timeout=500)
            if NO_DISPLAY not in result.stderr or "DISPLAY" not in (env or os.environ):
                break
        if ok:
            self.assertEqual(result.returncode, 0, result.stderr)
        return result

    def out(self, name):
        return os.path.join(self.work, name)

    def test_two_seconds_from_the_start_have_the_streams_and_the_fade_in(self):
        for name, tool, _ in tools(2000, music=True):
            with self.subTest(name):
                self.capture(tool, "--video", self.out("start.mp4"), "--to", "2000")
                video, audio, _ = probe(self.out("start.mp4"))
                self.assertEqual((video["codec_name"], video["width"], video["height"]), ("h264", 640, 480))
                self.assertEqual((video["r_frame_rate"], video["nb_frames"]), ("60/1", "120"))
                self.assertEqual((audio["codec_name"], audio["sample_rate"], audio["channels"]), ("aac", "44100", 2))
                self.assertAlmostEqual(float(video["duration"]), 2.0, delta=1 / 60)
                self.assertAlmostEqual(float(audio["duration"]), float(video["duration"]), delta=1 / 60)
                # The music rises linearly over the first second, then plays at full volume.
                level = loudness(self.out("start.mp4"))
                for i, value in enumerate(level[:38]):
                    expected = min(1.0, (i + 0.5) * 0.05)
                    self.assertAlmostEqual(value, expected, delta=0.04, msg="window %d: %s" % (i, level[:40]))

    def test_the_last_six_seconds_fade_to_silence_over_the_last_five(self):
        for name, tool, length in tools(6000, music=True):
            with self.subTest(name):
                # A low frame rate keeps the replay of the scene holding the start quick.
                self.capture(tool, "--video", self.out("end.mp4"), "--from", str(length - 6000), "--fps", "10")
                video, audio, _ = probe(self.out("end.mp4"))
                self.assertEqual(video["nb_frames"], "60")
                self.assertAlmostEqual(float(audio["duration"]), 6.0, delta=0.1)
                level = loudness(self.out("end.mp4"), window_ms=100)
                for i, value in enumerate(level[:60]):
                    expected = 1.0 if i < 10 else (60 - i - 0.5) / 50
                    self.assertAlmostEqual(value, expected, delta=0.04, msg="window %d: %s" % (i, level))
                self.assertLess(max(level[59:]), 0.02)

    def test_other_containers_and_frame_rates(self):
        name, tool, _ = tools(0)[0]
        for file, fps, start, end, codecs in (("part.mkv", 25, 500, 1500, ("h264", "aac")),
                                              ("part.webm", 30, 2500, 3500, ("vp9", "opus"))):
            with self.subTest(file):
                self.capture(tool, "--video", self.out(file), "--fps", str(fps), "--from", str(start),
                             "--to", str(end))
                video, audio, container = probe(self.out(file), count_frames=True)
                self.assertEqual((video["codec_name"], audio["codec_name"]), codecs)
                self.assertEqual(int(video["nb_read_frames"]), fps * (end - start) // 1000)
                self.assertAlmostEqual(float(container["duration"]), (end - start) / 1000, delta=0.03)

    def test_frames_are_the_stills_of_the_same_moments(self):
        # Across the short timeline's first scene change; from the start on the demo's.
        for name, tool, length in tools(300):
            with self.subTest(name):
                fps, start, end = (30, 2950, 3100) if name == "moriq-capture-short" else (10, 0, 300)
                frames = self.out("frames-" + name)
                self.capture(tool, "--frames", frames, "--fps", str(fps), "--from", str(start), "--to", str(end))
                expected = [n for n in range(end * fps // 1000 + 1) if start <= n * 1000 // fps < end]
                self.assertEqual(sorted(os.listdir(frames)), ["frame-%06d.png" % n for n in expected])
                for n in expected:
                    still = self.out("still.png")
                    self.capture(tool, "--at", str(n * 1000 // fps), "--fps", str(fps), "--out", still)
                    with open(still, "rb") as a, open(os.path.join(frames, "frame-%06d.png" % n), "rb") as b:
                        self.assertTrue(a.read() == b.read(), "frame %d differs from its still" % n)

    def interrupt(self, tool, args, after_frames):
        """Runs the tool with its standard error on a terminal and sends Ctrl-C once the progress line
        counts after_frames; returns the exit status and what the terminal showed."""
        master, slave = os.openpty()
        # Its own process group, signalled as a whole, as a terminal's Ctrl-C reaches the foreground job.
        process = subprocess.Popen([tool] + args, cwd=self.work, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=slave, start_new_session=True)
        os.close(slave)
        shown = b""
        signalled = False
        while True:
            if select.select([master], [], [], 60)[0] == []:
                process.kill()
                self.fail("no output for a minute:\n%s" % shown.decode(errors="replace"))
            try:
                chunk = os.read(master, 4096)
            except OSError:
                break
            if not chunk:
                break
            shown += chunk
            done = re.findall(rb"frame (\d+)/\d+ +[\d.]+ fps +\d+:\d\d left", shown)
            if not signalled and done and int(done[-1]) >= after_frames:
                os.killpg(process.pid, signal.SIGINT)
                signalled = True
        os.close(master)
        return process.wait(timeout=60), shown.decode(errors="replace")

    def test_ctrl_c_leaves_a_playable_file_of_the_frames_done(self):
        name, tool, length = tools(0)[0]
        args = ["--video", self.out("stopped.mp4"), "--fps", "1000"]
        for _ in range(3):
            status, shown = self.interrupt(tool, args, 30)
            if NO_DISPLAY not in shown:
                break
        self.assertEqual(status, 130, shown)
        self.assertIn("stopped", shown)
        self.assertRegex(shown, r"frame \d+/%d " % length)  # the whole timeline at 1000 fps
        video, audio, _ = probe(self.out("stopped.mp4"))
        self.assertTrue(30 <= int(video["nb_frames"]) < length, video["nb_frames"])
        self.assertAlmostEqual(float(audio["duration"]), float(video["duration"]), delta=0.05)

    def test_messages_for_what_is_missing(self):
        name, tool, _ = tools(0)[0]
        empty = tempfile.mkdtemp(dir=self.work)
        result = self.capture(tool, "--video", self.out("none.mp4"), "--to", "500",
                              env=dict(os.environ, PATH=empty), ok=False)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("needs the ffmpeg program", result.stderr)
        self.assertIn("apt-get install ffmpeg", result.stderr)
        self.assertFalse(os.path.exists(self.out("none.mp4")))

        result = self.capture(tool, "--video", self.out("none.mp4"), "--to", "500", ok=False,
                              env={k: v for k, v in os.environ.items() if k != "DISPLAY"})
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("needs an X display", result.stderr)

        result = self.capture(tool, "--video", self.out("demo.avi"), ok=False)
        self.assertEqual(result.returncode, 2)
        self.assertIn(".mp4, .mkv or .webm", result.stderr)

        # Without the soundtrack the video is still made, with silence as long as the pictures.
        result = self.capture(tool, "--video", self.out("silent.mp4"), "--to", "1000", cwd=empty)
        self.assertIn("data/" + SOUNDTRACK, result.stderr)
        video, audio, _ = probe(self.out("silent.mp4"))
        self.assertAlmostEqual(float(audio["duration"]), float(video["duration"]), delta=1 / 60)
        self.assertEqual(max(loudness(self.out("silent.mp4"))), 0.0)


if __name__ == "__main__":
    unittest.main()
