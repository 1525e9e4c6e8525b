#!/usr/bin/env python3
"""Makes docs/contact-sheet.png, the README's picture of the demo: one still of each scene at a telling
moment, drawn by moriq-capture at thumbnail size with 4x supersampling, in a grid of three by two.

    /usr/bin/python3 tools/make_contact_sheet.py [--capture build/moriq-capture] [--out docs/contact-sheet.png]

Needs Debian's python3-pil, and without a display xvfb and xauth (the tool then runs under xvfb-run).
The stills come from the driven clock, so the same build makes the same file."""
import argparse
import os
import subprocess
import sys
import tempfile

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Demo milliseconds: the terrain with its picture and ball, the metaballs, the greetings, the cel star,
# the wireframe metaballs and the closing background.
MOMENTS = [13000, 45000, 64000, 76000, 100000, 112000]
THUMB = (320, 240)
COLUMNS = 3
GAP = 4


def still(capture, ms, path):
    command = [capture, "--at", str(ms), "--out", path, "--size", "%dx%d" % THUMB, "--supersample", "4"]
    if not os.environ.get("DISPLAY"):
        command = ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24 -noreset"] + command
    # The tool reads data/ from its working directory, as the demo does.
    result = subprocess.run(command, cwd=ROOT, env=dict(os.environ, SDL_AUDIODRIVER="dummy"),
                            stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        sys.exit("make_contact_sheet: the still at %d ms failed:\n%s" % (ms, result.stderr))
    return Image.open(path).convert("RGB")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--capture", default=os.path.join(ROOT, "build", "moriq-capture"))
    parser.add_argument("--out", default=os.path.join(ROOT, "docs", "contact-sheet.png"))
    args = parser.parse_args()
    rows = (len(MOMENTS) + COLUMNS - 1) // COLUMNS
    sheet = Image.new("RGB", (COLUMNS * THUMB[0] + (COLUMNS - 1) * GAP, rows * THUMB[1] + (rows - 1) * GAP))
    with tempfile.TemporaryDirectory(prefix="moriq-contact-") as work:
        for i, ms in enumerate(MOMENTS):
            picture = still(os.path.abspath(args.capture), ms, os.path.join(work, "%d.png" % ms))
            sheet.paste(picture, ((i % COLUMNS) * (THUMB[0] + GAP), (i // COLUMNS) * (THUMB[1] + GAP)))
    # A palette of 256 colours keeps the file near 100 KB and looks the same at this size.
    sheet.quantize(256, method=Image.Quantize.MEDIANCUT).save(args.out, optimize=True)
    print("make_contact_sheet: wrote %s (%dx%d)" % (args.out, sheet.width, sheet.height))


if __name__ == "__main__":
    main()
