"""What the generator needs from the system, each with the Debian package that installs it, so that a
missing one is named before anything is drawn. Standard library only: it runs before numpy or PIL load."""

import importlib.util
import os
import shutil

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"
# Every font the pictures draw with (canvas.font takes no other).
FONTS = {
    "DejaVuSans-Bold": "fonts-dejavu-core",
    "DejaVuSansMono-Bold": "fonts-dejavu-core",
    "DejaVuSansCondensed-Bold": "fonts-dejavu-extra",
    "DejaVuSerif-BoldItalic": "fonts-dejavu-extra",
}
MODULES = {"numpy": "python3-numpy", "PIL": "python3-pil"}
# The soundtrack is encoded with oggenc and decoded again with oggdec to check its peak.
PROGRAMS = {"oggenc": "vorbis-tools", "oggdec": "vorbis-tools"}


def font_path(name):
    return FONT_DIR + name + ".ttf"


def missing(pictures=True, music=True):
    """(what, Debian package) for each thing needed and not found."""
    lacking = [(m, p) for m, p in MODULES.items() if importlib.util.find_spec(m) is None
               and (pictures or m == "numpy")]
    if pictures:
        lacking += [(font_path(f), p) for f, p in FONTS.items() if not os.path.isfile(font_path(f))]
    if music:
        lacking += [(prog, p) for prog, p in PROGRAMS.items() if shutil.which(prog) is None]
    return lacking
