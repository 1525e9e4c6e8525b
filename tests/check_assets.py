#!/usr/bin/python3
"""Checks the asset generator: its output reproduces data/ byte for byte, every synthesised
note starts and ends in silence, the melodies fill their bars exactly, and the sections turn
over next to the scene changes. Exits non-zero on any failure."""

import filecmp
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import numpy as np  # noqa: E402

from assetgen import music, synth  # noqa: E402

failures = []
passed = 0


def check(name, ok, detail=""):
    global passed
    if ok:
        passed += 1
    else:
        failures.append(name)
        print("FAIL %s %s" % (name, detail))


def reproduces_data():
    with tempfile.TemporaryDirectory() as out:
        subprocess.run([sys.executable, os.path.join(ROOT, "tools", "make_assets.py"), out],
                       check=True, stdout=subprocess.DEVNULL)
        made = sorted(os.listdir(out))
        committed = sorted(f for f in os.listdir(os.path.join(ROOT, "data")) if not f.startswith("."))
        check("same file set", made == committed, "%s vs %s" % (made, committed))
        for name in made:
            same = filecmp.cmp(os.path.join(out, name), os.path.join(ROOT, "data", name),
                               shallow=False)
            check("reproduces " + name, same)


def notes_start_and_end_silent():
    voices = {
        "bass": synth.bass(33, 0.2), "sub": synth.sub(45, 1.0), "pluck": synth.pluck(81),
        "bell": synth.bell(76, 0.3), "pad": synth.pad(57, 1.0, -1), "lead": synth.lead(93, 0.05),
        "kick": synth.kick(), "snare": synth.snare(), "clap": synth.clap(),
        "hat": synth.hat(), "open hat": synth.hat(True), "crash": synth.crash(),
        "tom": synth.tom(50), "riser": synth.riser(1.0),
    }
    for name, wave in voices.items():
        edge = max(abs(wave[0]), abs(wave[-1]))
        # The last millisecond must already be near silence: a cut-off note clicks.
        tail = np.abs(wave[-44:]).max() / max(np.abs(wave).max(), 1e-9)
        check("%s is enveloped" % name, edge < 1e-3 and tail < 0.05,
              "edge %.4f tail %.3f" % (edge, tail))


def melodies_fill_bars():
    for bar in music.all_bars():
        line = music.lead_line(bar)
        if line:
            total = sum(length for _, length, _ in music.phrase(line[0]))
            check("melody of %s bar %d fills it" % (bar.section, bar.index),
                  abs(total - bar.beats) < 1e-9,
                  "%.2f beats in a %d-beat bar" % (total, bar.beats))


def sections_follow_scenes():
    starts = {}
    for bar in music.all_bars():
        starts.setdefault(bar.section, bar.time)
    check("beat on the first pulse", abs(starts["drop"] - 18.25) < 1e-9, str(starts["drop"]))
    for section, scene_change in (("meta", 35), ("break", 60), ("cel", 70), ("meta2", 85),
                                  ("outro", 110)):
        check("%s starts at %d s" % (section, scene_change),
              abs(starts[section] - scene_change) <= 0.5, "%.2f" % starts[section])
    check("music outlasts the demo", music.LENGTH >= 116)


reproduces_data()
notes_start_and_end_silent()
melodies_fill_bars()
sections_follow_scenes()
print("%d passed, %d failed" % (passed, len(failures)))
sys.exit(1 if failures else 0)
