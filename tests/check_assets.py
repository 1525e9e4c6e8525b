#!/usr/bin/python3
# Checks the assets: the generator reproduces data/ byte for byte, and the files are what the scenes
# need (8-bit pictures of their quads' sizes, the closing banner's violet end where the scene shows its top,
# a stereo 44.1 kHz soundtrack outlasting the demo and peaking below full scale). Exits non-zero on failure.
import array
import filecmp
import json
import math
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "data")
# name: width, height, PNG colour type (6 RGBA, 2 RGB)
PICTURES = {"tufs_dude": (512, 512, 6), "smegma": (256, 256, 6), "skaptav": (256, 512, 6), "lol2": (512, 512, 6),
            "hils": (256, 512, 6), "lol": (512, 512, 6), "lmao": (512, 512, 6), "meta_texture": (512, 512, 6),
            "background1": (1024, 512, 2)}
failures = []


def check(name, ok, detail=""):
    if not ok:
        failures.append(name)
        print("FAIL %s %s" % (name, detail))


def run(*command):
    return subprocess.run(command, capture_output=True, check=True).stdout


with tempfile.TemporaryDirectory() as out:
    # The generator names a missing package itself; its status is enough here.
    if subprocess.run([sys.executable, os.path.join(ROOT, "tools", "make_assets.py"), out],
                      stdout=subprocess.DEVNULL).returncode != 0:
        sys.exit("the asset generator failed (its message is above)")
    made, committed = sorted(os.listdir(out)), sorted(f for f in os.listdir(DATA) if not f.startswith("."))
    check("same file set", made == committed, "%s vs %s" % (made, committed))
    for name in made:
        check("reproduces " + name, filecmp.cmp(os.path.join(out, name), os.path.join(DATA, name), shallow=False))

for name, want in PICTURES.items():
    with open(os.path.join(DATA, name + ".png"), "rb") as f:
        width, height, depth, colour = struct.unpack(">IIBB", f.read(26)[16:26])
    check(name + " size and format", (width, height, colour, depth) == want + (8,), (width, height, depth, colour))
# The closing scene shows the file's bottom row at the top of the screen: the deep blue-violet end.
rows = run("ffmpeg", "-v", "error", "-i", os.path.join(DATA, "background1.png"), "-f", "rawvideo", "-pix_fmt", "rgb24", "-")
row = 1024 * 3
red = [sum(rows[i * row:(i + 1) * row:3]) / 1024 for i in (0, 511)]
check("banner's violet end at the bottom of the file", red[1] + 30 < red[0], red)

ogg = os.path.join(DATA, "Tembrol_-_Verudoziv4.ogg")
stream = json.loads(run("ffprobe", "-v", "error", "-show_streams", "-of", "json", ogg))["streams"][0]
check("soundtrack format", (stream["channels"], stream["sample_rate"]) == (2, "44100"), stream)
check("soundtrack outlasts the demo", float(stream["duration"]) >= 116.0, stream["duration"])
samples = array.array("h", run("ffmpeg", "-v", "error", "-i", ogg, "-f", "s16le", "-"))
check("soundtrack peaks below -1 dBFS", 20 * math.log10(max(max(samples), -min(samples)) / 32768) <= -1.0)

print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
