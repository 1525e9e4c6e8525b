"""Bad and unusual inputs for the end-to-end tests and the fuzzer's seeds: PNG files of every kind
written with the standard library, soundtracks, the play list and pictures as the sources name them,
and a way to step through every scene with close requests."""
import os
import random
import re
import signal
import struct
import subprocess
import time
import wave
import zlib

import demo_runner
import own_display

SOUNDTRACK = "data/Tembrol_-_Verudoziv4.ogg"
SANITIZER_REPORT = re.compile(r"AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|runtime error:")

CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def _pack_row(samples, bit_depth):
    if bit_depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if bit_depth == 8:
        return bytes(samples)
    per_byte = 8 // bit_depth
    out = bytearray()
    for i in range(0, len(samples), per_byte):
        byte = 0
        for j in range(per_byte):
            s = samples[i + j] if i + j < len(samples) else 0
            byte |= s << (8 - bit_depth * (j + 1))
        out.append(byte)
    return bytes(out)


def png_bytes(width, height, pixels, bit_depth=8, color_type=2, palette=None, trns=None, gamma=None,
              interlaced=False, level=9):
    """A PNG file; pixels[y][x] is a tuple of samples (one per channel), top row first."""
    def scanlines(x0, y0, dx, dy):
        out = bytearray()
        for y in range(y0, height, dy):
            samples = [s for x in range(x0, width, dx) for s in pixels[y][x]]
            if samples:
                out += b"\0" + _pack_row(samples, bit_depth)
        return out

    raw = b"".join(scanlines(*p) for p in ADAM7) if interlaced else scanlines(0, 0, 1, 1)
    body = struct.pack(">IIBBBBB", width, height, bit_depth, color_type, 0, 0, 1 if interlaced else 0)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", body)
    if gamma is not None:
        out += chunk(b"gAMA", struct.pack(">I", int(round(gamma * 100000))))
    if palette is not None:
        out += chunk(b"PLTE", bytes(c for rgb in palette for c in rgb))
    if trns is not None:
        out += chunk(b"tRNS", bytes(trns))
    return out + chunk(b"IDAT", zlib.compress(bytes(raw), level)) + chunk(b"IEND", b"")


def pattern(width, height, channels, maximum=255):
    """A picture whose samples differ from pixel to pixel and channel to channel."""
    return [[tuple((x * 37 + y * 91 + c * 53) % (maximum + 1) for c in range(channels))
             for x in range(width)] for y in range(height)]


def bomb_bytes(side=8192):
    """A real decompression bomb: a few hundred kilobytes that inflate to side * side RGBA pixels."""
    compressor = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_RLE)
    rows = bytes((side * 4 + 1) * 64)
    idat = b"".join(compressor.compress(rows) for _ in range(side // 64)) + compressor.flush()
    body = struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", body) + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


def bad_pictures():
    """(kind, file contents, whether it decodes) for every kind of picture the demo must survive."""
    rng = random.Random(8)
    whole = png_bytes(64, 64, pattern(64, 64, 3))
    palette = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]
    return [
        ("truncated", whole[:len(whole) // 2], False),
        ("garbage", bytes(rng.randrange(256) for _ in range(3000)), False),
        ("empty", b"", False),
        ("bomb", bomb_bytes(), False),
        ("16-bit", png_bytes(33, 17, pattern(33, 17, 4, 65535), bit_depth=16, color_type=6), True),
        ("interlaced", png_bytes(37, 23, pattern(37, 23, 3), interlaced=True), True),
        ("palette with transparency", png_bytes(
            29, 9, pattern(29, 9, 1, 3), bit_depth=4, color_type=3, palette=palette, trns=[0, 128]), True),
        ("1 pixel high", png_bytes(64, 1, pattern(64, 1, 1), color_type=0), True),
        ("odd width", png_bytes(7, 5, pattern(7, 5, 2), color_type=4), True),
    ]


def seed_pictures():
    """Small valid PNGs of every colour type, bit depth and option the loader treats differently."""
    seeds = {}
    depths = {0: (1, 2, 4, 8, 16), 2: (8, 16), 3: (1, 2, 4, 8), 4: (8, 16), 6: (8, 16)}
    for color_type, bit_depths in depths.items():
        for bit_depth in bit_depths:
            maximum = (1 << bit_depth) - 1
            channels = CHANNELS[color_type]
            palette = [(i * 40 % 256, i * 80 % 256, i * 120 % 256) for i in range(1 << min(bit_depth, 4))]
            trns = None
            if color_type == 3:
                trns = [0, 100, 200]
            elif color_type == 0:
                trns = list(struct.pack(">H", 1))
            elif color_type == 2:
                trns = list(struct.pack(">HHH", 1, 2, 3))
            for interlaced in (False, True):
                for with_trns in ((False, True) if trns else (False,)):
                    name = "ct%d-bd%d%s%s.png" % (color_type, bit_depth, "-adam7" if interlaced else "",
                                                 "-trns" if with_trns else "")
                    width, height = (5, 3) if not interlaced else (9, 9)
                    seeds[name] = png_bytes(
                        width, height, pattern(width, height, channels, maximum if color_type != 3
                                               else min(maximum, len(palette) - 1)),
                        bit_depth=bit_depth, color_type=color_type,
                        palette=palette if color_type == 3 else None,
                        trns=trns if with_trns else None, interlaced=interlaced,
                        level=0 if interlaced else 9)
    seeds["gamma.png"] = png_bytes(4, 2, pattern(4, 2, 3), gamma=0.45455)
    seeds["one-pixel.png"] = png_bytes(1, 1, [[(7,)]], color_type=0)
    seeds["one-row.png"] = png_bytes(17, 1, pattern(17, 1, 4), color_type=6)
    return seeds


def write(path, contents):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(contents)


def soundtrack(path, seconds=4.0):
    """An Ogg Vorbis tone made with oggenc, seconds long."""
    wav = path + ".wav"
    with wave.open(wav, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(44100)
        frames = bytearray()
        for i in range(int(44100 * seconds)):
            v = 8000 if (i // 50) % 2 else -8000  # a 441 Hz square wave
            frames += struct.pack("<hh", v, v)
        w.writeframes(bytes(frames))
    subprocess.run(["oggenc", "-Q", "-q", "0", "-o", path, wav], check=True)
    os.remove(wav)


def scenes():
    """The play list as (name, duration in ms), read from the timeline's source."""
    with open(os.path.join(demo_runner.SOURCE_DIR, "src", "Timeline.cpp")) as f:
        source = f.read()
    return [(m.group(1), int(m.group(2))) for m in re.finditer(r'\{\s*"(\w+)"\s*,\s*(\d+)\s*,\s*-?\d+\s*,', source)]


def pictures(scene_names):
    """Every picture file the named scenes' sources read, in the order first named."""
    found = []
    for name in scene_names:
        for ext in (".cpp", ".h"):
            path = os.path.join(demo_runner.SOURCE_DIR, "src", name + ext)
            if os.path.exists(path):
                with open(path) as f:
                    for picture in re.findall(r'"(data/[^"]+\.png)"', f.read()):
                        if picture not in found:
                            found.append(picture)
    return found


def sanitizer_reports(text):
    return [line for line in text.splitlines() if SANITIZER_REPORT.search(line)]


def wait_for_close_handler(demo, timeout=30):
    """SDL turns SIGTERM into a close request only once its video is up; before that it kills."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline and demo.proc.poll() is None:
        try:
            with open("/proc/%d/status" % demo.proc.pid) as f:
                caught = int(re.search(r"^SigCgt:\s*([0-9a-f]+)", f.read(), re.M).group(1), 16)
            if caught & (1 << (signal.SIGTERM - 1)):
                return True
        except (OSError, AttributeError):
            pass
        time.sleep(0.02)
    return False


def step_through(demo, count, settle=0.3, timeout=60):
    """Ends each of count scenes with a close request once it has played about settle seconds and
    returns the report lines. A request that lands while a scene's clock still reads 0 ms (or during
    loading) is ignored by the scene loop, so an unanswered one is sent again."""
    reports = []
    deadline = time.monotonic() + timeout
    if count and not wait_for_close_handler(demo, timeout):
        return reports
    while len(reports) < count and demo.proc.poll() is None and time.monotonic() < deadline:
        time.sleep(settle)
        demo.terminate_scene()
        line = demo.next_line(3)
        while line is not None:
            if demo_runner.REPORT_PREFIX in line:
                reports.append(line)
            line = demo.next_line(0.05) if len(reports) < count else None
    return reports


class PrivateDisplay:
    """An Xvfb of its own for one demo run (see own_display.py). It also means the keys a test sends
    reach only its own demo."""

    def __enter__(self):
        self.server, display = own_display.start_xvfb()
        self.env = {"DISPLAY": display}
        return self

    def xdotool(self, *args, timeout=30):
        return subprocess.run(["xdotool"] + list(args), env=dict(os.environ, **self.env), timeout=timeout,
                              capture_output=True, text=True)

    def focus_demo(self):
        """Waits for the demo's window to show and puts the pointer in it, which gives it the keyboard."""
        found = self.xdotool("search", "--sync", "--onlyvisible", "--name", "Moriq-demo")
        window = found.stdout.split()[0]
        self.xdotool("mousemove", "--window", window, "20", "20")

    def __exit__(self, *exc):
        self.server.terminate()
        self.server.wait()


def play_every_scene(test, cwd, scenes, settle, env=None):
    """Plays the demo on a display of its own, a close request ending each scene; checks it reported
    every scene, exited with status 0 and tripped no sanitizer. Returns its standard error."""
    with PrivateDisplay() as display:
        demo = demo_runner.Demo(cwd=cwd, env=dict(display.env, **(env or {})))
        try:
            reports = step_through(demo, len(scenes), settle=settle)
            status = demo.wait(timeout=60)
        finally:
            demo.kill()
    errors = demo.errors()
    test.assertEqual(status, 0, errors)
    test.assertEqual(sanitizer_reports(errors), [])
    test.assertEqual(len(reports), len(scenes), errors)
    return errors
