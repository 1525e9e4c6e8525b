# The tests' PNG files, all written here with the standard library: pictures in every format the loader
# expands, stand-ins for the demo's pictures whose colours the scene tests look for, bad files the demo
# must survive, and the fuzzer's seeds. `pictures.py DIR` writes the C++ tests' files into DIR.
import os
import random
import struct
import sys
import zlib

CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def header(width, height, bit_depth=8, colour=2, interlaced=False):
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bit_depth, colour, 0, 0,
                                                             int(interlaced)))


# A PNG of rows (top first) of pixels, each a tuple of samples.
def png(rows, bit_depth=8, colour=2, palette=None, trns=None, gamma=None, interlaced=False):
    width, height = len(rows[0]), len(rows)

    def pack(samples):
        if bit_depth >= 8:
            return struct.pack(">%d%s" % (len(samples), "BH"[bit_depth // 16]), *samples)
        bits = "".join(format(s, "0%db" % bit_depth) for s in samples)
        return int(bits.ljust(-(-len(bits) // 8) * 8, "0"), 2).to_bytes(-(-len(bits) // 8), "big")

    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    raw = b"".join(b"\0" + pack([s for p in rows[y][x0::dx] for s in p])
                   for x0, y0, dx, dy in passes if x0 < width for y in range(y0, height, dy))
    out = header(width, height, bit_depth, colour, interlaced)
    if gamma is not None:
        out += chunk(b"gAMA", struct.pack(">I", round(gamma * 100000)))
    if palette:
        out += chunk(b"PLTE", bytes(c for rgb in palette for c in rgb))
    if trns:
        out += chunk(b"tRNS", bytes(trns))
    return out + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


# Samples that differ from pixel to pixel and channel to channel.
def pattern(width, height, channels, maximum=255):
    return [[tuple((x * 37 + y * 91 + c * 53) % (maximum + 1) for c in range(channels)) for x in range(width)]
            for y in range(height)]


# One colour but for the bottom-right texel, magenta, so that a picture drawn turned or mirrored shows.
def solid(rgb, side=4):
    return png([[rgb + (255,)] * (side - 1) + [(MARK if y == side - 1 else rgb) + (255,)] for y in range(side)], colour=6)


# An RGBA header with no pixel data behind it.
def empty(width, height, bit_depth=8):
    return header(width, height, bit_depth, 6) + chunk(b"IDAT", zlib.compress(b"")) + chunk(b"IEND", b"")


# A few hundred kilobytes that inflate to side * side RGBA pixels.
def bomb(side=8192):
    packer = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_RLE)
    rows = bytes((side * 4 + 1) * 64)
    body = b"".join(packer.compress(rows) for _ in range(side // 64)) + packer.flush()
    return header(side, side, 8, 6) + chunk(b"IDAT", body) + chunk(b"IEND", b"")


# (kind, contents, whether it decodes) for every kind of picture the demo must survive.
def bad_pictures():
    whole = png(pattern(64, 64, 3))
    return [
        ("truncated", whole[:len(whole) // 2], False),
        ("garbage", bytes(random.Random(8).randrange(256) for _ in range(3000)), False),
        ("empty", b"", False),
        ("bomb", bomb(), False),
        ("16-bit", png(pattern(33, 17, 4, 65535), bit_depth=16, colour=6), True),
        ("interlaced", png(pattern(37, 23, 3), interlaced=True), True),
        ("palette with transparency", png(pattern(29, 9, 1, 3), 4, 3, [(255, 0, 0), (0, 255, 0), (0, 0, 255),
                                                                        (255, 255, 255)], [0, 128]), True),
        ("1 pixel high", png(pattern(64, 1, 1), colour=0), True),
        ("odd width", png(pattern(7, 5, 2), colour=4), True),
    ]


# Small valid pictures of every colour type, bit depth and option the loader treats differently.
def seeds():
    out = {}
    depths = {0: (1, 2, 4, 8, 16), 2: (8, 16), 3: (1, 2, 4, 8), 4: (8, 16), 6: (8, 16)}
    trns = {0: [0, 1], 2: [0, 1, 0, 2, 0, 3], 3: [0, 100, 200]}
    for colour, bit_depths in depths.items():
        for depth in bit_depths:
            palette = [(i * 40 % 256, i * 80 % 256, i * 120 % 256) for i in range(1 << min(depth, 4))]
            maximum = len(palette) - 1 if colour == 3 else (1 << depth) - 1
            for interlaced in (False, True):
                for alpha in [None] + ([bytes(trns[colour])] if colour in trns else []):
                    size = 9 if interlaced else 5
                    out["ct%d-bd%d%s%s.png" % (colour, depth, "-adam7" * interlaced, "-trns" * bool(alpha))] = png(
                        pattern(size, 3 + interlaced * 6, CHANNELS[colour], maximum), depth, colour,
                        palette if colour == 3 else None, alpha or None, interlaced=interlaced)
    out["gamma.png"] = png(pattern(4, 2, 3), gamma=0.45455)
    out["one-pixel.png"] = png([[(7,)]], colour=0)
    out["one-row.png"] = png(pattern(17, 1, 4), colour=6)
    out["bomb-header.png"] = empty(8192, 8192, 16)
    out.update(("bad-%s.png" % kind.replace(" ", "-"), data) for kind, data, _ in bad_pictures() if len(data) < 20000)
    return out


# Stand-ins for the demo's pictures, each telling itself apart by colour: solid ones opaque RGBA, as most
# of the demo's are; quadrant ones RGB, red and green on top, cyan and yellow below; the blob overlay clear
# but for its corners, red but the top-left one magenta; the sphere map green on the left, blue on the right,
# in rows of 6 bytes (not a multiple of 4).
RED, GREEN, CYAN, YELLOW, MARK = (230, 40, 40), (40, 210, 40), (40, 200, 220), (230, 220, 40), (255, 0, 255)
QUADRANTS = png([[RED, GREEN], [CYAN, YELLOW]])
OVERLAY = png([[(255, 0, 255 * (x < 4 and y < 4), 255) if (x < 4 or x > 11) and (y < 4 or y > 11) else (0, 0, 0, 0)
                for x in range(16)] for y in range(16)], colour=6)
STAND_INS = {
    "tufs_dude.png": solid((255, 0, 0)), "lol2.png": solid((0, 255, 0)), "smegma.png": solid((255, 255, 0)),
    "skaptav.png": solid((0, 0, 255)), "lol.png": solid((255, 128, 0)), "hils.png": QUADRANTS,
    "background1.png": QUADRANTS, "lmao.png": OVERLAY, "meta_texture.png": png([[(0, 200, 0), (0, 0, 200)]] * 3),
}


# 64x16 texels of 4x4 cells: red tells the column, green the row counted from the file's bottom, blue
# the quarter of the cell (40, plus 100 in its lower half, plus 50 in its right half).
def font_atlas():
    return png([[(x // 4 * 16 + 8, (3 - y // 4) * 64 + 32, 40 + 100 * (y % 4 >= 2) + 50 * (x % 4 >= 2))
                 for x in range(64)] for y in range(16)])


# The C++ tests' files, by name.
def unit_test_pictures():
    files = {"data/" + name: data for name, data in STAND_INS.items()}
    grey = [[(0,), (60,), (128,), (250,)]]
    whole = png(pattern(64, 64, 3))
    files.update({
        "palette.png": png([[(0,), (1,), (2,)]], 4, 3, [(255, 0, 0), (0, 255, 0), (0, 0, 255)], [0, 128]),
        "palette8.png": png([[(0,), (2,)]], 8, 3, [(255, 0, 0), (0, 255, 0), (0, 0, 255)]),
        "keyed.png": png([[(10, 20, 30), (40, 50, 60)]], trns=[0, 10, 0, 20, 0, 30]),
        "grey4.png": png([[(0,), (5,), (10,), (15,)] * 2], 4, 0),  # 4 bytes even when left unwidened
        "grey.png": png(grey, colour=0), "gamma1.png": png(grey, colour=0, gamma=1.0),
        "gamma045.png": png(grey, colour=0, gamma=0.45455),
        "deep.png": png([[(65535, 32768, 0), (0, 16384, 65535)]], bit_depth=16),
        "adam7.png": png([[(1,), (2,)], [(3,), (4,)]], colour=0, interlaced=True),
        "greyalpha.png": png([[(1, 2), (3, 4), (5, 6)]], colour=4),
        "odd.png": png([[tuple(10 + y * 90 + x * 3 + c for c in range(3)) for x in range(5)] for y in range(2)]),
        "font.png": font_atlas(), "garbage.png": b"this is not a picture at all", "cut.png": whole[:len(whole) // 2],
        # Sides within the limit, but decoding to RGBA of more bytes than any picture of the demo needs.
        "wide.png": header(8192, 2049, 1, 3) + chunk(b"PLTE", bytes(6)) + chunk(b"tRNS", b"\0") +
        chunk(b"IDAT", zlib.compress(bytes(1025 * 2049))) + chunk(b"IEND", b""),
        "huge.png": empty(100000, 100000), "tall.png": png([[(0,)]] * 8193, colour=0),
    })
    return files


def write_all(directory, files):
    for name, data in files.items():
        path = os.path.join(directory, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    write_all(sys.argv[1], unit_test_pictures())
