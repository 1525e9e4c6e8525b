#!/usr/bin/python3
"""Checks the asset generator: its output reproduces data/ byte for byte, and the music's sections
turn over next to the scene changes. Exits non-zero on any failure."""

import filecmp
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))

from assetgen import music  # noqa: E402

failures = []


def check(name, ok, detail=""):
    if not ok:
        failures.append(name)
        print("FAIL %s %s" % (name, detail))


with tempfile.TemporaryDirectory() as out:
    subprocess.run([sys.executable, os.path.join(ROOT, "tools", "make_assets.py"), out],
                   check=True, stdout=subprocess.DEVNULL)
    made = sorted(os.listdir(out))
    committed = sorted(f for f in os.listdir(os.path.join(ROOT, "data")) if not f.startswith("."))
    check("same file set", made == committed, "%s vs %s" % (made, committed))
    for name in made:
        check("reproduces " + name, filecmp.cmp(os.path.join(out, name), os.path.join(ROOT, "data", name),
                                                shallow=False))

starts = {}
for bar in music.all_bars():
    starts.setdefault(bar.section, bar.time)
check("beat on the terrain ball's first pulse", abs(starts["drop"] - 18.25) < 1e-9, str(starts["drop"]))
for section, scene_change in (("meta", 35), ("break", 60), ("cel", 70), ("meta2", 85), ("outro", 110)):
    check("%s starts at %d s" % (section, scene_change), abs(starts[section] - scene_change) <= 0.5,
          "%.2f" % starts[section])

print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
