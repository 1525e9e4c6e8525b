"""Drawing helpers for the pictures: a float RGBA canvas, anti-aliased masks and text.

Shapes and text are drawn by PIL into supersampled greyscale masks that are box-filtered down,
and colour is composited in numpy with premultiplied alpha, so every edge is smooth and the
output depends only on this code and the DejaVu fonts.
"""

import numpy as np
from PIL import Image, ImageDraw, ImageFont

from . import requirements

SUPERSAMPLE = 4


def font(name, size):
    """A DejaVu font by file stem, e.g. font("DejaVuSans-Bold", 24); only those listed in requirements.FONTS,
    so that a missing one is found before drawing starts."""
    if name not in requirements.FONTS:
        raise KeyError("font %s is not listed in assetgen/requirements.py" % name)
    return ImageFont.truetype(requirements.font_path(name), size)


def rgb(hex_colour):
    """'#rrggbb' as floats in 0..1."""
    h = hex_colour.lstrip("#")
    return tuple(int(h[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Canvas:
    """A picture being built: premultiplied RGBA floats, row 0 at the top."""

    def __init__(self, width, height, colour=(0, 0, 0), alpha=0.0):
        self.w, self.h = width, height
        self.px = np.zeros((height, width, 4))
        self.px[..., :3] = np.asarray(colour) * alpha
        self.px[..., 3] = alpha

    def grid(self):
        """Pixel-centre coordinates (x, y) as two float arrays."""
        y, x = np.mgrid[0:self.h, 0:self.w].astype(float)
        return x + 0.5, y + 0.5

    def paint(self, coverage, colour, alpha=1.0):
        """Composite colour over the canvas where coverage (0..1, scalar or per pixel) says.

        colour may be an RGB triple or an (h, w, 3) array; alpha a scalar or an (h, w) array.
        """
        a = np.clip(np.asarray(coverage, dtype=float) * alpha, 0.0, 1.0)
        if a.ndim == 0:
            a = np.full((self.h, self.w), float(a))
        c = np.broadcast_to(np.asarray(colour, dtype=float), (self.h, self.w, 3))
        self.px[..., :3] = c * a[..., None] + self.px[..., :3] * (1.0 - a[..., None])
        self.px[..., 3] = a + self.px[..., 3] * (1.0 - a)

    def multiply_alpha(self, factor):
        """Fade the whole canvas (colour and alpha alike, since they are premultiplied)."""
        self.px *= np.asarray(factor, dtype=float)[..., None]

    def image(self, mode="RGBA"):
        """The canvas as an 8-bit PIL image with straight alpha."""
        alpha = self.px[..., 3]
        safe = np.where(alpha > 1e-6, alpha, 1.0)
        colour = np.clip(self.px[..., :3] / safe[..., None], 0.0, 1.0)
        if mode == "RGB":
            out = np.round(colour * 255.0).astype(np.uint8)
            return Image.fromarray(out, "RGB")
        out = np.dstack([colour, np.clip(alpha, 0.0, 1.0)])
        return Image.fromarray(np.round(out * 255.0).astype(np.uint8), "RGBA")


def mask(width, height, draw_fn, angle=0.0, centre=None):
    """Coverage of whatever draw_fn(draw, s) draws in white; s scales 1-pixel units to the
    supersampled mask, so draw_fn gives coordinates as (x * s, y * s). A non-zero angle turns
    the drawing counter-clockwise by that many degrees about centre (x, y) before filtering."""
    s = SUPERSAMPLE
    im = Image.new("L", (width * s, height * s), 0)
    draw_fn(ImageDraw.Draw(im), s)
    if angle:
        c = (centre[0] * s, centre[1] * s) if centre else None
        im = im.rotate(angle, resample=Image.BICUBIC, center=c)
    small = im.resize((width, height), Image.BOX)
    return np.asarray(small, dtype=float) / 255.0


def scaled(points, s):
    return [(x * s, y * s) for x, y in points]


def ellipse(width, height, cx, cy, rx, ry):
    return mask(width, height, lambda d, s: d.ellipse(
        [(cx - rx) * s, (cy - ry) * s, (cx + rx) * s, (cy + ry) * s], fill=255))


def polygon(width, height, points):
    return mask(width, height, lambda d, s: d.polygon(scaled(points, s), fill=255))


def rounded_rect(width, height, box, radius):
    x0, y0, x1, y1 = box
    return mask(width, height, lambda d, s: d.rounded_rectangle(
        [x0 * s, y0 * s, x1 * s, y1 * s], radius=radius * s, fill=255))


def rect_outline(width, height, box, radius, line):
    x0, y0, x1, y1 = box
    return mask(width, height, lambda d, s: d.rounded_rectangle(
        [x0 * s, y0 * s, x1 * s, y1 * s], radius=radius * s, outline=255, width=int(line * s)))


def lines(width, height, segments, line):
    """Coverage of thick straight segments [(x0, y0, x1, y1), ...] with round caps."""
    def draw(d, s):
        for x0, y0, x1, y1 in segments:
            d.line([(x0 * s, y0 * s), (x1 * s, y1 * s)], fill=255, width=int(round(line * s)))
            r = line * s / 2.0
            for x, y in ((x0, y0), (x1, y1)):
                d.ellipse([x * s - r, y * s - r, x * s + r, y * s + r], fill=255)
    return mask(width, height, draw)


def text(width, height, string, font_name, size, pos, anchor="la", stroke=0, spacing=0,
         angle=0.0):
    """Coverage of a text string at pos with a PIL anchor ('mm' centres it); stroke widens it,
    angle turns it counter-clockwise about pos."""
    f = font(font_name, size * SUPERSAMPLE)

    def draw(d, s):
        d.text((pos[0] * s, pos[1] * s), string, font=f, fill=255, anchor=anchor,
               stroke_width=int(stroke * s), stroke_fill=255, spacing=spacing * s,
               align="center")
    return mask(width, height, draw, angle, pos)


def text_width(string, font_name, size):
    f = font(font_name, size)
    left, _, right, _ = f.getbbox(string)
    return right - left


def shift(coverage, dx, dy):
    """A mask moved by whole pixels (for drop shadows); what moves in is empty."""
    out = np.zeros_like(coverage)
    h, w = coverage.shape
    ys, yd = (slice(0, h - dy), slice(dy, h)) if dy >= 0 else (slice(-dy, h), slice(0, h + dy))
    xs, xd = (slice(0, w - dx), slice(dx, w)) if dx >= 0 else (slice(-dx, w), slice(0, w + dx))
    out[yd, xd] = coverage[ys, xs]
    return out


def dilate(coverage, radius):
    """A mask grown by radius pixels (for outlines drawn under a shape)."""
    out = coverage.copy()
    r = int(radius)
    for dy in range(-r, r + 1):
        for dx in range(-r, r + 1):
            if dx * dx + dy * dy <= radius * radius and (dx or dy):
                out = np.maximum(out, shift(coverage, dx, dy))
    return out


def blur(coverage, radius):
    """A soft copy of a mask (separable box blur applied three times, close to a Gaussian)."""
    out = coverage
    k = 2 * int(radius) + 1
    for _ in range(3):
        for axis in (0, 1):
            pad = [(0, 0), (0, 0)]
            pad[axis] = (k // 2, k // 2)
            padded = np.pad(out, pad, mode="edge")
            c = np.cumsum(padded, axis=axis)
            c = np.concatenate([np.zeros_like(c.take([0], axis=axis)), c], axis=axis)
            n = out.shape[axis]
            out = (c.take(range(k, k + n), axis=axis) - c.take(range(0, n), axis=axis)) / k
    return out


def value_noise(x, y, seed, period=64):
    """Smooth value noise in 0..1 at float lattice coordinates, tiling every period cells."""
    lattice = np.random.default_rng(seed).random((period, period))
    ix, iy = np.floor(x).astype(int), np.floor(y).astype(int)
    tx, ty = x - ix, y - iy
    tx, ty = tx * tx * (3 - 2 * tx), ty * ty * (3 - 2 * ty)
    x0, x1 = ix % period, (ix + 1) % period
    y0, y1 = iy % period, (iy + 1) % period
    a = lattice[y0, x0] * (1 - tx) + lattice[y0, x1] * tx
    b = lattice[y1, x0] * (1 - tx) + lattice[y1, x1] * tx
    return a * (1 - ty) + b * ty


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3 - 2 * t)
