"""The demo's nine pictures, one function each, designed for where each scene draws them.

Every function returns a PIL image ready to save. Rows run top to bottom as usual; the demo
uploads the bottom row as texture row 0, so a picture drawn on an upright quad appears as
drawn here. Only the closing background is stored upside down, because that scene shows its
texture with t = 0 at the top of the screen.
"""

import math

import numpy as np
from PIL import Image

from . import canvas as cv
from .canvas import Canvas, rgb, mix

# The team palette, shared by every picture so the demo reads as one piece.
INK = rgb("#1b1f3b")
CREAM = rgb("#fff4d6")
CORAL = rgb("#ff6b57")
SUN = rgb("#ffc93c")
ORANGE = rgb("#f4a259")
TEAL = rgb("#2ec4b6")
MAGENTA = rgb("#e63e8c")
PLUM = rgb("#2b0f1f")
SKIN = rgb("#f2c39b")
SKIN_SHADE = rgb("#d99b73")
HAIR = rgb("#2a2140")

LOGO_FONT = "DejaVuSans-Bold"
LABEL_FONT = "DejaVuSansCondensed-Bold"
BODY_FONT = "DejaVuSans-Bold"
SCRIPT_FONT = "DejaVuSerif-BoldItalic"
MONO_FONT = "DejaVuSansMono-Bold"


def outlined(c, shape, fill, line=4.0, ink=INK):
    """Paint a flat shape with a dark outline around it, the cel look of the whole demo."""
    c.paint(cv.dilate(shape, line), ink)
    c.paint(shape, fill)


def logo(c, pos, size, fill=CREAM, ink=INK, shadow=CORAL, anchor="mm"):
    """The Moriq word mark: heavy capitals, an ink outline and an offset coloured shadow."""
    depth = max(2, size // 12)
    word = cv.text(c.w, c.h, "MORIQ", LOGO_FONT, size, pos, anchor, stroke=size / 14)
    c.paint(cv.shift(word, depth, depth), shadow)
    c.paint(word, ink)
    c.paint(cv.text(c.w, c.h, "MORIQ", LOGO_FONT, size, pos, anchor), fill)


def tufs_dude():
    """Opening poster, 512x512 over light grey: a cel-shaded mascot with headphones and shades
    in a sunset badge, with the word mark on a banner. The face keeps clear of the credits strip
    on the left and the sticker at the top right, which cover the picture's edges early on."""
    w = h = 512
    c = Canvas(w, h)
    x, y = c.grid()
    cx, cy, r = 262.0, 236.0, 176.0
    disc = cv.ellipse(w, h, cx, cy, r, r)

    # Sunset badge: warm radial gradient, stripes cut through its lower half, a halftone rim.
    d = np.hypot(x - cx, y - cy) / r
    sky = np.asarray(mix(SUN, CORAL, 0.0)) * (1 - d[..., None] ** 1.5) \
        + np.asarray(MAGENTA) * d[..., None] ** 1.5
    stripe = (y > cy + 20) & (np.mod(y - cy, 26 - (y - cy) * 0.06) < 6 + (y - cy) * 0.05)
    c.paint(cv.dilate(disc, 5), INK)
    c.paint(disc, sky)
    c.paint(disc * stripe, mix(CORAL, MAGENTA, 0.5), 0.55)
    dots = (np.hypot(np.mod(x, 12) - 6, np.mod(y, 12) - 6) < 2.6 * cv.smoothstep(0.7, 1.0, d))
    c.paint(disc * dots, CREAM, 0.35)

    # The dude, clipped to the badge: hoodie, neck, head, hair, shades, smirk, headphones.
    def clip(m):
        return m * disc

    hoodie = clip(cv.ellipse(w, h, cx, cy + 250, 170, 140))
    outlined(c, hoodie, TEAL)
    c.paint(clip(cv.polygon(w, h, [(cx - 40, cy + 112), (cx + 40, cy + 112), (cx, cy + 160)])), INK)
    neck = cv.rounded_rect(w, h, (cx - 30, cy + 50, cx + 30, cy + 125), 10)
    outlined(c, neck, SKIN_SHADE)

    head = cv.ellipse(w, h, cx, cy - 10, 76, 92)
    outlined(c, head, SKIN)
    shade = head * (x > cx + 30 + 0.25 * (y - cy))
    c.paint(shade, SKIN_SHADE, 0.7)
    ear = cv.ellipse(w, h, cx - 78, cy + 4, 12, 18)
    outlined(c, ear, SKIN_SHADE, 3)

    # Hair: a cap over the top of the head with a wavy fringe, and a quiff on top.
    fringe = y < cy - 52 + 10 * np.sin((x - cx) / 7.0) + 0.18 * (x - cx)
    cap = cv.ellipse(w, h, cx, cy - 14, 82, 98) * fringe
    quiff = cv.polygon(w, h, [(cx - 50, cy - 90), (cx - 30, cy - 132), (cx + 4, cy - 160),
                              (cx + 10, cy - 134), (cx + 48, cy - 148), (cx + 40, cy - 118),
                              (cx + 70, cy - 96), (cx + 20, cy - 84)])
    hair = np.maximum(cap, quiff)
    outlined(c, hair, HAIR, 3)
    c.paint(cv.lines(w, h, [(cx - 30, cy - 108, cx + 4, cy - 128)], 4), rgb("#5b4a8a"))

    for lx in (cx - 62, cx + 6):
        lens = cv.rounded_rect(w, h, (lx, cy - 30, lx + 56, cy + 8), 12)
        outlined(c, lens, INK, 3)
        glass = np.clip((y - (cy - 30)) / 38.0, 0, 1)[..., None]
        c.paint(cv.rounded_rect(w, h, (lx + 3, cy - 27, lx + 53, cy + 5), 10),
                np.asarray(rgb("#3a4a8c")) * (1 - glass) + np.asarray(TEAL) * 0.6 * glass)
        c.paint(cv.lines(w, h, [(lx + 12, cy - 2, lx + 26, cy - 22)], 5), CREAM, 0.85)
    c.paint(cv.lines(w, h, [(cx - 8, cy - 20, cx + 8, cy - 20)], 5), INK)
    c.paint(cv.lines(w, h, [(cx - 62, cy - 22, cx - 78, cy - 14)], 5), INK)

    smirk = cv.mask(w, h, lambda dr, s: dr.arc(
        [(cx - 26) * s, (cy + 18) * s, (cx + 34) * s, (cy + 52) * s], 20, 150,
        fill=255, width=int(5 * s)))
    c.paint(smirk, INK)

    band = cv.mask(w, h, lambda dr, s: dr.arc(
        [(cx - 98) * s, (cy - 128) * s, (cx + 98) * s, (cy + 70) * s], 180, 360,
        fill=255, width=int(14 * s)))
    outlined(c, band, CORAL, 3)
    for ex in (cx - 106, cx + 82):
        cup = cv.rounded_rect(w, h, (ex, cy - 26, ex + 26, cy + 44), 11)
        outlined(c, cup, CORAL, 4)
        c.paint(cv.rounded_rect(w, h, (ex + 6, cy - 14, ex + 12, cy + 30), 3), CREAM, 0.6)

    # Banner with the word mark across the bottom of the badge.
    banner = cv.polygon(w, h, [(cx - 200, 404), (cx + 200, 404), (cx + 186, 436),
                               (cx + 200, 468), (cx - 200, 468), (cx - 186, 436)])
    outlined(c, banner, CORAL, 4)
    logo(c, (cx, 436), 46, shadow=MAGENTA)
    tag = cv.rounded_rect(w, h, (cx - 58, 466, cx + 58, 490), 8)
    outlined(c, tag, CREAM, 3)
    c.paint(cv.text(w, h, "presents", SCRIPT_FONT, 17, (cx, 477), "mm"), INK)
    return c.image()


def starburst(cx, cy, outer, inner, points, turn=0.0):
    pts = []
    for i in range(points * 2):
        a = math.pi * i / points + turn
        rr = outer if i % 2 == 0 else inner
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    return pts


def smegma():
    """Sticker at the top right of the opening, 256x256: a yellow starburst that says the demo is
    real-time, tilted like a label slapped on the poster; transparent around it."""
    w = h = 256
    c = Canvas(w, h)
    cx, cy = 146.0, 108.0
    burst = cv.polygon(w, h, starburst(cx, cy, 100, 82, 18, 0.1))
    c.paint(cv.blur(cv.shift(burst, 6, 7), 3), INK, 0.35)
    outlined(c, burst, SUN, 4)
    ring = cv.mask(w, h, lambda d, s: d.ellipse(
        [(cx - 70) * s, (cy - 70) * s, (cx + 70) * s, (cy + 70) * s], outline=255, width=int(3 * s)))
    c.paint(ring, CORAL)
    tilt = 14
    for line, fnt, size, dy in (("100%", LOGO_FONT, 40, -26), ("REAL-TIME", LABEL_FONT, 22, 10),
                                ("no video inside", SCRIPT_FONT, 13, 36)):
        a = math.radians(tilt)
        pos = (cx + dy * math.sin(a), cy + dy * math.cos(a))
        c.paint(cv.text(w, h, line, fnt, size, pos, "mm", angle=tilt), INK)
    return c.image()


def skaptav():
    """Credits strip at the left edge (2 to 8 s), 256x512: a dark panel 184 pixels wide that says
    who made what, all of it Moriq. Right of the panel the picture is clear, so the poster
    underneath stays visible."""
    w, h = 256, 512
    c = Canvas(w, h)
    panel = cv.rounded_rect(w, h, (-20, 40, 184, 488), 16)
    c.paint(panel, INK, 0.88)
    c.paint(cv.rounded_rect(w, h, (0, 40, 6, 488), 0), CORAL)
    c.paint(cv.text(w, h, "made by", SCRIPT_FONT, 20, (92, 78), "mm"), SUN)
    logo(c, (92, 118), 38, shadow=CORAL)
    c.paint(cv.rounded_rect(w, h, (30, 150, 154, 153), 1), CREAM, 0.5)
    rows = (("CODE", "Moriq coders"), ("PICTURES", "Moriq pixel lab"),
            ("MUSIC", "Moriq synth"), ("MESHES", "Moriq modelling"))
    y = 180
    for role, who in rows:
        c.paint(cv.text(w, h, role, LABEL_FONT, 14, (20, y), "ls"), CORAL)
        c.paint(cv.text(w, h, who, BODY_FONT, 16, (20, y + 24), "ls"), CREAM)
        y += 62
    c.paint(cv.rounded_rect(w, h, (30, 424, 154, 427), 1), CREAM, 0.5)
    c.paint(cv.text(w, h, "real-time\nOpenGL 1.1", SCRIPT_FONT, 14, (92, 456), "mm", spacing=2),
            SUN)
    return c.image()


def lol2():
    """Backdrop of the spiky ball (10 s to the end of the terrain scene), 512x512 on a quad from
    x = 127 to 639: a warm sunburst centred where the blue ball turns (screen centre, picture
    x = 193), so the ball stands out against its complementary colour. The left edge fades out
    so the picture melts into the grey clear colour instead of ending in a hard line."""
    w = h = 512
    c = Canvas(w, h)
    x, y = c.grid()
    cx, cy = 193.0, 256.0
    dx, dy = x - cx, y - cy
    d = np.hypot(dx, dy)
    ang = np.arctan2(dy, dx)
    rays = 0.5 + 0.5 * np.cos(ang * 16)
    ray_edge = cv.smoothstep(0.42, 0.58, rays)
    far = cv.smoothstep(60, 420, d)[..., None]
    light = np.asarray(SUN) * (1 - far) + np.asarray(ORANGE) * far
    dark = np.asarray(ORANGE) * (1 - far) + np.asarray(CORAL) * far
    c.paint(1.0, dark * (1 - ray_edge[..., None]) + light * ray_edge[..., None])

    glow = np.exp(-(d / 150.0) ** 2)
    c.paint(glow, CREAM, 0.9)
    for radius, width, alpha in ((190, 3, 0.55), (204, 1.5, 0.4), (300, 2, 0.3)):
        ring = cv.mask(w, h, lambda dr, s, r=radius, lw=width: dr.ellipse(
            [(cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s],
            outline=255, width=int(lw * s)))
        c.paint(ring, CREAM, alpha)
    # Halftone belt between the rings: dots that swell outward along the rays.
    gx, gy = np.mod(x + y, 14) - 7, np.mod(x - y, 14) - 7
    size = 3.2 * cv.smoothstep(215, 290, d) * (1 - cv.smoothstep(330, 420, d))
    c.paint(np.clip(size - np.hypot(gx, gy) * 0.7 + 0.5, 0, 1), MAGENTA, 0.45)
    c.paint(cv.text(w, h, "109 BPM", MONO_FONT, 14, (496, 480), "rs"), INK, 0.6)

    c.multiply_alpha(cv.smoothstep(0, 96, x))
    return c.image()


def hils():
    """Greetings list, 256x512 on a 256x511 quad at the right of the wine-red greetings scene:
    a dark translucent card with a heading and fifteen invented groups, one per line, in type
    large enough to read at 1:1."""
    w, h = 256, 512
    c = Canvas(w, h)
    card = cv.rounded_rect(w, h, (10, 22, 246, 494), 18)
    c.paint(cv.dilate(card, 3), SUN, 0.9)
    c.paint(card, PLUM, 0.86)
    c.paint(cv.text(w, h, "GREETINGS", LOGO_FONT, 30, (128, 58), "mm", stroke=1.5), INK)
    c.paint(cv.text(w, h, "GREETINGS", LOGO_FONT, 30, (128, 58), "mm"), SUN)
    c.paint(cv.rounded_rect(w, h, (40, 80, 216, 84), 2), CORAL)
    c.paint(cv.text(w, h, "Moriq waves to", SCRIPT_FONT, 15, (128, 100), "mm"), CREAM, 0.8)
    names = ("Blitter Bees", "Copper Kettle", "Dither Dynasty", "Gouraud Goats", "Mipmap Monks",
             "Modulo Moths", "Phong Kong", "Pixel Orchard", "Quadtree Quartet", "Raster Ravens",
             "Scanline Saints", "Sine Society", "Texel Tigers", "Voxel Vikings", "Z-Buffer Zoo")
    y = 132
    for i, name in enumerate(names):
        colour = CREAM if i % 2 == 0 else rgb("#ffb3c7")
        c.paint(cv.ellipse(w, h, 32, y - 6, 3.5, 3.5), CORAL)
        c.paint(cv.text(w, h, name, BODY_FONT, 17, (44, y), "ls"), colour)
        y += 22
    c.paint(cv.text(w, h, "and every scener out there", SCRIPT_FONT, 13, (128, y + 10), "mm"), SUN)
    return c.image()


def lol():
    """Comic backdrop of the cel-shaded star (2 to 8 s), 512x512 shown 1:1 from the left edge,
    top 480 rows on screen: magenta halftone and ink focus lines that point at the star in the
    screen centre (picture x = 318), a caption box and a sound word. The right edge fades out
    into the grey background."""
    w = h = 512
    c = Canvas(w, h)
    x, y = c.grid()
    cx, cy = 318.0, 240.0
    d = np.hypot(x - cx, y - cy)
    c.paint(1.0, CREAM)
    gx, gy = np.mod(x + y, 12) - 6, np.mod(x - y, 12) - 6
    size = 4.6 * cv.smoothstep(120, 380, d)
    c.paint(np.clip(size - np.hypot(gx, gy) * 0.7 + 0.5, 0, 1), MAGENTA, 0.8)

    rng = np.random.default_rng(7)
    segments = []
    for i in range(56):
        a = 2 * math.pi * (i + rng.uniform(-0.3, 0.3)) / 56
        r0 = rng.uniform(200, 260)
        segments.append((cx + r0 * math.cos(a), cy + r0 * math.sin(a),
                         cx + 520 * math.cos(a), cy + 520 * math.sin(a)))
    c.paint(cv.lines(w, h, segments, 2.2), INK, 0.75)

    box = cv.rounded_rect(w, h, (18, 18, 230, 88), 4)
    outlined(c, box, SUN, 3)
    c.paint(cv.text(w, h, "MEANWHILE,\nIN CEL SPACE...", LABEL_FONT, 22, (30, 28), "la",
                    spacing=4), INK)

    word, pos, tilt = "ZING!", (134, 410), 10
    c.paint(cv.text(w, h, word, LOGO_FONT, 64, (pos[0] + 5, pos[1] + 6), "mm", stroke=5,
                    angle=tilt), INK)
    c.paint(cv.text(w, h, word, LOGO_FONT, 64, pos, "mm", stroke=5, angle=tilt), INK)
    c.paint(cv.text(w, h, word, LOGO_FONT, 64, pos, "mm", angle=tilt), CORAL)

    c.multiply_alpha(1.0 - cv.smoothstep(400, 512, x))
    return c.image()


def lmao():
    """Overlay of the metaball scenes, 512x512 over the whole frame every frame (rows 16 to 495
    on screen): a camera viewfinder in ink, clear everywhere else so the blobs stay visible,
    with the word mark in the bottom right corner."""
    w = h = 512
    c = Canvas(w, h)
    left, right, top, bottom, arm = 26, 486, 40, 472, 46
    corners = []
    for sx, sy, ex, ey in ((left, top, 1, 1), (right, top, -1, 1),
                           (left, bottom, 1, -1), (right, bottom, -1, -1)):
        corners += [(sx, sy, sx + ex * arm, sy), (sx, sy, sx, sy + ey * arm)]
    c.paint(cv.lines(w, h, corners, 6), INK)
    c.paint(cv.rect_outline(w, h, (left + 12, top + 12, right - 12, bottom - 12), 10, 1.5), INK, 0.35)
    c.paint(cv.lines(w, h, [(246, 256, 266, 256), (256, 246, 256, 266)], 2), INK, 0.5)

    c.paint(cv.ellipse(w, h, 58, 70, 7, 7), CORAL)
    c.paint(cv.text(w, h, "LIVE", MONO_FONT, 16, (72, 76), "ls"), INK)
    c.paint(cv.text(w, h, "40x40x40", MONO_FONT, 14, (448, 76), "rs"), INK, 0.8)

    logo(c, (448, 424), 40, fill=CREAM, shadow=CORAL, anchor="rs")
    c.paint(cv.text(w, h, "metaballs / marching cubes", MONO_FONT, 11, (448, 444), "rs"), INK)
    return c.image()


def environment(r):
    """Colour seen along unit directions r (..., 3), y up: a blue sky with a sun and clouds over a
    bright horizon, and a dark chequered floor below, which is what makes chrome read as chrome."""
    rx, ry, rz = r[..., 0], r[..., 1], r[..., 2]
    up = np.clip(ry, 0, 1)[..., None]
    sky = np.asarray(rgb("#fff0d8")) * (1 - up ** 0.45) + np.asarray(rgb("#1f4fa8")) * up ** 0.45
    # Clouds: value noise looked up on a plane above the viewer.
    k = 1.0 / np.maximum(ry, 0.08)
    u, v = rx * k, rz * k
    noise = 0.65 * cv.value_noise(u * 2.2, v * 2.2, 11) + 0.35 * cv.value_noise(u * 5, v * 5, 12)
    cloud = cv.smoothstep(0.5, 0.75, noise) * cv.smoothstep(0.04, 0.3, ry)
    sky = sky * (1 - 0.75 * cloud[..., None]) + 0.75 * cloud[..., None]
    sun_dir = np.array([0.55, 0.55, 0.63])
    sun_dir /= np.linalg.norm(sun_dir)
    cosang = rx * sun_dir[0] + ry * sun_dir[1] + rz * sun_dir[2]
    sun = np.exp((cosang - 1) * 400)[..., None] + 0.35 * np.exp((cosang - 1) * 12)[..., None]
    sky = sky + sun * np.asarray(rgb("#fff3c0"))

    down = np.clip(-ry, 1e-3, 1)
    k = 1.0 / down
    fu, fv = rx * k, rz * k
    check = (np.floor(fu * 1.5) + np.floor(fv * 1.5)) % 2
    floor = np.where(check[..., None] > 0, np.asarray(rgb("#2a3352")), np.asarray(rgb("#0d1022")))
    fog = np.exp(-down * 6)[..., None]
    floor = floor * (1 - fog) + np.asarray(rgb("#b07a6a")) * fog
    colour = np.where((ry >= 0)[..., None], sky, floor)
    # A thin bright line at the horizon, the classic chrome highlight.
    colour = colour + np.exp(-(ry / 0.02) ** 2)[..., None] * 0.5
    return np.clip(colour, 0, 1)


def meta_texture():
    """Sphere map of the blobs, 512x512 RGBA (opaque): the environment above as a mirrored ball
    sees it from the viewer, so the blobs look chrome; top of the picture is up (t = 1)."""
    n = 512
    v, u = np.mgrid[0:n, 0:n].astype(float)
    u = (u + 0.5) / n * 2 - 1
    v = 1 - (v + 0.5) / n * 2
    rad = np.hypot(u, v)
    scale = np.where(rad > 1, 1 / np.maximum(rad, 1e-9), 1.0)
    u, v = u * scale, v * scale
    nz = np.sqrt(np.clip(1 - u * u - v * v, 0, 1))
    r = np.stack([2 * nz * u, 2 * nz * v, 2 * nz * nz - 1], axis=-1)
    colour = environment(r)
    rgba = np.dstack([colour, np.ones((n, n))])
    return Image.fromarray(np.round(rgba * 255).astype(np.uint8), "RGBA")


def background1():
    """Closing picture, 1024x512 RGB, rippling like cloth over the whole screen while the music
    fades: a woven banner with the word mark and a thank-you. It is designed at the grid's
    4.5:3.5 proportions, keeps its content inside the part of the grid that is on screen, and is
    stored upside down because the scene shows texture row 0 at the top."""
    w, h = 1024, 796
    c = Canvas(w, h)
    x, y = c.grid()
    t = (y / h)[..., None]
    base = np.asarray(rgb("#2b1850")) * (1 - t) + np.asarray(rgb("#7a2455")) * t
    # Woven cloth: a soft cross-hatch coarse enough to survive the scaling to 512 rows.
    weave = 0.035 * np.sin(x * 2 * np.pi / 14) * np.sin(y * 2 * np.pi / 14)
    c.paint(1.0, np.clip(base + weave[..., None], 0, 1))
    glow = np.exp(-(((x - w / 2) / 420) ** 2 + ((y - h * 0.45) / 260) ** 2))
    c.paint(glow, CORAL, 0.35)

    # On screen: x from about 72 to 952, y from about 68 to 728 of this design.
    c.paint(cv.rect_outline(w, h, (100, 96, 924, 700), 24, 5), SUN, 0.9)
    c.paint(cv.rect_outline(w, h, (116, 112, 908, 684), 16, 2), SUN, 0.6)
    rng = np.random.default_rng(3)
    for _ in range(60):
        sx, sy = rng.uniform(140, 884), rng.uniform(140, 656)
        if abs(sx - w / 2) < 340 and abs(sy - 380) < 200:
            continue
        size = rng.uniform(5, 11)
        star = cv.polygon(w, h, starburst(sx, sy, size, size * 0.3, 4))
        c.paint(star, CREAM, 0.8)

    logo(c, (w / 2, 330), 170, shadow=CORAL)
    c.paint(cv.text(w, h, "thanks for watching", SCRIPT_FONT, 54, (w / 2, 470), "mm"), SUN)
    c.paint(cv.text(w, h, "code  \u00b7  pictures  \u00b7  music:  all made by Moriq", BODY_FONT, 26,
                    (w / 2, 560), "mm"), CREAM, 0.9)

    im = c.image("RGB").resize((1024, 512), Image.LANCZOS)
    return im.transpose(Image.FLIP_TOP_BOTTOM)


PICTURES = {
    "tufs_dude.png": tufs_dude,
    "smegma.png": smegma,
    "skaptav.png": skaptav,
    "lol2.png": lol2,
    "hils.png": hils,
    "lol.png": lol,
    "lmao.png": lmao,
    "meta_texture.png": meta_texture,
    "background1.png": background1,
}
