"""Writes the PNG fuzzer's seed corpus into the directory given: small valid pictures of every colour
type, bit depth and option the loader treats differently, and the small bad files of the end-to-end
tests. Generated at build time, so no binary files live in the repository."""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import bad_inputs  # noqa: E402


def main(directory):
    os.makedirs(directory, exist_ok=True)
    seeds = dict(bad_inputs.seed_pictures())
    for kind, contents, _ in bad_inputs.bad_pictures():
        if len(contents) < 20000:
            seeds["bad-" + kind.replace(" ", "-") + ".png"] = contents
    # A header promising more pixels than the loader accepts, with a token of image data.
    header = struct.pack(">IIBBBBB", 8192, 8192, 16, 6, 0, 0, 0)
    seeds["bomb-header.png"] = (b"\x89PNG\r\n\x1a\n" + bad_inputs.chunk(b"IHDR", header) +
                                bad_inputs.chunk(b"IDAT", b"\x78\x9c\x03\x00\x00\x00\x00\x01") +
                                bad_inputs.chunk(b"IEND", b""))
    for name, contents in seeds.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(contents)


if __name__ == "__main__":
    main(sys.argv[1])
