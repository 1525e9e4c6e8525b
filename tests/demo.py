# End-to-end harness: the real demo on an X server of its own, driven by close requests and xdotool keys,
# its sound recorded by SDL's disk driver. `demo.py COMMAND...` runs COMMAND with an X server of its own.
import array
import math
import os
import queue
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time

SOURCE = os.environ.get("MORIQ_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("MORIQ_BUILD_DIR", os.path.join(SOURCE, "build"))
REPORT = " frames draw\tAverage fps: "
SANITIZER = re.compile(r"AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|runtime error:")
RATE = 44100  # stereo frames a second of SDL_mixer's output


# A new Xvfb of scripts/xvfb.sh (the repository's one way to start one) and its display name.
def start_xvfb(screen="1024x768"):
    server = subprocess.Popen([os.path.join(SOURCE, "scripts", "xvfb.sh"), screen], stdout=subprocess.PIPE, text=True)
    number = server.stdout.readline().strip()
    server.stdout.close()
    assert number, "Xvfb did not start"
    return server, ":" + number


# [(name, start ms, duration ms, [picture files])] in playing order, and the soundtrack's path.
def play_list():
    out = subprocess.run([os.path.join(BUILD, "moriq-capture"), "--list"], capture_output=True, text=True,
                         check=True).stdout
    rows = [line.split("\t") for line in out.splitlines()]
    scenes = [(r[1], int(r[2]), int(r[3]), r[4:]) for r in rows if r[0] == "scene"]
    assert scenes, "moriq-capture --list gave no scenes:\n" + out
    return scenes, [r[1] for r in rows if r[0] == "soundtrack"][0]


def pictures(scenes):
    return sorted({f for _, _, _, files in scenes for f in files})


# The places a program in bin/ of prefix, started in cwd, names for a data file it did not find.
def looked_at(name, cwd, prefix=os.path.dirname(BUILD)):
    return "looked at %s and %s" % (os.path.join(os.path.realpath(cwd), name),
                                    os.path.join(prefix, "share", "moriq-demo", name))


# One run of the demo on an X server of its own (full-screen demos sharing a display would wait for each
# other); record names a file for SDL's disk audio driver, which writes faster than real time.
class Demo:
    def __init__(self, cwd, env=None, record=None, args=(), program=None, screen="1024x768"):
        self.server, display = start_xvfb(screen)
        self.display = display
        self.env = {**os.environ, "DISPLAY": display, "SDL_AUDIODRIVER": "dummy"}
        if record:
            self.env.update(SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=record, SDL_DISKAUDIODELAY="10")
        # The caller's settings last: a test may ask the disk driver for the pace of real time.
        self.env.update(env or {})
        self.record, self.marks = record, []
        self.proc = subprocess.Popen([program or os.path.join(BUILD, "moriq-demo"), *args], cwd=cwd, env=self.env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, errors="replace")
        self.lines, self.stdout, self.stderr = queue.Queue(), [], []
        self.pumps = [threading.Thread(target=self._pump, args=(self.proc.stdout, self.stdout, self.lines)),
                      threading.Thread(target=self._pump, args=(self.proc.stderr, self.stderr, queue.Queue()))]
        for pump in self.pumps:
            pump.start()

    def _pump(self, stream, store, lines):
        for line in stream:
            store.append(line)
            lines.put(line)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        for pump in self.pumps:
            pump.join()
        self.proc.stdout.close()
        self.proc.stderr.close()
        self.server.terminate()
        self.server.wait()

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True, text=True, timeout=60)

    # Waits for the demo's window, found by its exact title, and returns its id.
    def window(self):
        return self.xdotool("search", "--sync", "--onlyvisible", "--name", "^Moriq-demo zu@r$").stdout.split()[0]

    # Puts the pointer in the window, which gives it the keyboard.
    def focus(self):
        self.xdotool("mousemove", "--window", self.window(), "20", "20")

    # Waits until condition() holds while the demo runs; the limit is against a hang only.
    def wait(self, condition, what, seconds=60):
        deadline = time.monotonic() + seconds
        while not condition():
            assert self.proc.poll() is None and time.monotonic() < deadline, \
                "never %s; standard error:\n%s" % (what, "".join(self.stderr))
            time.sleep(0.02)

    def said(self, what):
        self.wait(lambda: any(what in line for line in self.stderr), "said " + what)

    def next_line(self, timeout):
        try:
            return self.lines.get(timeout=timeout)
        except queue.Empty:
            return None

    # Seconds of sound the disk driver has written so far.
    def recorded(self):
        return os.path.getsize(self.record) / (4.0 * RATE) if self.record and os.path.exists(self.record) else 0.0

    # Ends count scenes with close requests, each once ready(scene number) holds (by default once it has
    # played about settle seconds); returns the report lines, and marks the seconds of sound recorded when
    # each arrived. SDL turns SIGTERM into a close request once its video is up (before the window shows),
    # and one read while a scene's clock is at 0 ms is ignored by design, so an unanswered one is sent again.
    def step_through(self, count, ready=None, settle=0.3):
        self.window()
        deadline = time.monotonic() + 120
        reports = []
        while len(reports) < count and self.proc.poll() is None and time.monotonic() < deadline:
            asked = time.monotonic()
            while not (ready(len(reports)) if ready else time.monotonic() > asked + settle):
                time.sleep(0.02)
            self.proc.send_signal(signal.SIGTERM)
            line = self.next_line(5)
            if line is not None:
                reports.append(line)
                self.marks.append(self.recorded())
        return reports

    # Waits for the exit and checks it: status 0, no sanitizer report, nothing but report lines on standard
    # output: those given, or without them (the demo played to its end) one for each scene of the play list.
    # Returns standard error without the disk driver's greeting.
    def finish(self, test, reports=None, timeout=60):
        test.assertEqual(self.proc.wait(timeout=timeout), 0, "".join(self.stderr))
        for pump in self.pumps:
            pump.join()
        errors = "".join(line for line in self.stderr if not re.match(r"WARNING: You are using the SDL disk| Writ", line))
        test.assertEqual([line for line in errors.splitlines() if SANITIZER.search(line)], [])
        if reports is None:
            test.assertEqual(len(self.stdout), len(play_list()[0]), "".join(self.stdout))
        else:
            test.assertEqual(self.stdout, reports)
        test.assertEqual([line for line in self.stdout if REPORT not in line], [])
        return errors


# The playing time a report line stands for: frames / fps.
def played_ms(report):
    frames, fps = report.rstrip("\n").split(REPORT)
    return 1000.0 * int(frames) / float(fps) if float(fps) > 0 else 0.0


# A working directory of its own; with_data links the real pictures into its data/.
def workdir(with_data=True):
    path = tempfile.mkdtemp(prefix="moriq-e2e-")
    os.mkdir(os.path.join(path, "data"))
    for name in os.listdir(os.path.join(SOURCE, "data")) if with_data else ():
        if name.endswith(".png"):
            os.symlink(os.path.join(SOURCE, "data", name), os.path.join(path, "data", name))
    return path


# The PNG file that command writes to the path added after it, as float RGB rows, top first.
def png_of(command, cwd=SOURCE):
    import numpy
    from PIL import Image
    with tempfile.TemporaryDirectory(prefix="moriq-png-") as folder:
        path = os.path.join(folder, "picture.png")
        result = subprocess.run([*command, path], cwd=cwd, capture_output=True, text=True)
        assert result.returncode == 0, result.stderr
        return numpy.asarray(Image.open(path).convert("RGB"), dtype=float)


# The X screen of display (size "WxH") through ffmpeg's x11grab.
def grab(display, size):
    return png_of(["ffmpeg", "-loglevel", "error", "-y", "-f", "x11grab", "-draw_mouse", "0", "-video_size", size,
                   "-i", display, "-frames:v", "1"])


# The capture tool's still of ms, with args, started in cwd.
def still(ms, *args, cwd=SOURCE):
    return png_of([os.path.join(BUILD, "moriq-capture"), "--at", str(ms), *args, "--out"], cwd)


# The environment without a display.
def headless():
    return {k: v for k, v in os.environ.items() if k != "DISPLAY"}


# The demo's window's top-left corner and size, as X has it.
def geometry(run):
    out = run.xdotool("getwindowgeometry", run.window()).stdout
    x, y = out.split("Position: ")[1].split(" ")[0].split(",")
    w, h = out.split("Geometry: ")[1].split()[0].split("x")
    return int(x), int(y), int(w), int(h)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


# Interleaved 16-bit stereo PCM at RATE encoded to an Ogg Vorbis file at path; returns the file's bytes.
def ogg(path, pcm):
    write(path + ".raw", pcm)
    subprocess.run(["oggenc", "-Q", "-r", "-R", str(RATE), "-C", "2", "-B", "16", "-o", path, path + ".raw"], check=True)
    os.unlink(path + ".raw")
    with open(path, "rb") as f:
        return f.read()


# An Ogg Vorbis soundtrack of a steady 441 Hz sine at half of full scale, or of a square wave (whose
# harmonics take more bytes than the stream's headers).
def tone(path, seconds, square=False):
    period = array.array("h")
    for i in range(100):
        period.extend([int(16384 * (math.copysign(1, 50 - i) if square else math.sin(2 * math.pi * i / 100)))] * 2)
    return ogg(path, (period * (RATE * seconds // 100)).tobytes())


# The recording's left channel from start for seconds (all of it by default).
def samples(record, start=0.0, seconds=1e9):
    out = array.array("h")
    with open(record, "rb") as f:
        f.seek(int(start * RATE) * 4)
        out.frombytes(f.read(min(int(seconds * RATE), os.path.getsize(record) // 4) * 4))
    return out[0::2]


# The RMS level of the recording from start for seconds, relative to the steady tone.
def loudness(record, start, seconds):
    left = samples(record, start, seconds)
    return math.sqrt(sum(s * s for s in left) / max(len(left), 1)) / (16384 / math.sqrt(2))


# Seconds into the recording of its first sound, or None before it.
def onset(record):
    left = samples(record) if os.path.exists(record) else []
    return next((i / RATE for i, s in enumerate(left) if s), None)


if __name__ == "__main__":
    server, display = start_xvfb()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        sys.exit(subprocess.call(sys.argv[1:], env=dict(os.environ, DISPLAY=display)))
    finally:
        server.terminate()
        server.wait()
