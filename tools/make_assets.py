#!/usr/bin/python3
"""Make every picture and the soundtrack the demo reads from data/.

Usage: make_assets.py [outdir] [--only pictures|music]   (outdir defaults to data/ of the repo)
The output is the same byte for byte on every run, so the committed files can be checked.
"""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from assetgen import requirements  # noqa: E402


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir", nargs="?", default=os.path.join(here, "..", "data"))
    parser.add_argument("--only", choices=("pictures", "music"))
    args = parser.parse_args()
    lacking = requirements.missing(pictures=args.only != "music", music=args.only != "pictures")
    if lacking:
        for what, package in lacking:
            print("make_assets.py: %s is missing (Debian package %s)" % (what, package), file=sys.stderr)
        packages = sorted(set(package for _, package in lacking))
        print("make_assets.py: install them with: sudo apt-get install %s" % " ".join(packages), file=sys.stderr)
        return 1
    # Loaded after the check: they import numpy and PIL.
    from assetgen import music, pictures
    os.makedirs(args.outdir, exist_ok=True)

    if args.only != "music":
        for name, make in pictures.PICTURES.items():
            started = time.time()
            make().save(os.path.join(args.outdir, name), optimize=False, compress_level=9)
            print("%-18s %5.1f s" % (name, time.time() - started))
    if args.only != "pictures":
        started = time.time()
        report = music.write_soundtrack(os.path.join(args.outdir, music.FILE_NAME))
        print("%-18s %5.1f s  %s" % (music.FILE_NAME, time.time() - started, report))
    return 0


if __name__ == "__main__":
    sys.exit(main())
