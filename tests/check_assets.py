#!/usr/bin/python3
"""Checks the asset generator: its output reproduces data/ byte for byte. Exits non-zero on any failure."""

import filecmp
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

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

print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
