#!/usr/bin/python3
"""Builds the demo's two static meshes and writes them as C++ headers under models/.

spikeThingie  - a closed ball with ten spikes, drawn cel-shaded by the terrain scene.
spikeThingie2 - a flat six-pointed star, drawn cel-shaded by the cel scene.

Usage: make_meshes.py [OUTDIR]   write spikeThingie.h and spikeThingie2.h (default: <repo>/models)
       make_meshes.py --check    regenerate into a temporary directory and compare with models/
Standard library only. A value that lies on a six-digit rounding tie is refused, so the output does
not hang on the last bit of a sine.
"""

import filecmp
import math
import os
import sys
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MODELS = os.path.join(REPO, "models")


# ---------------------------------------------------------------- vector helpers

def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def unit(a):
    m = math.sqrt(dot(a, a))
    return (a[0] / m, a[1] / m, a[2] / m)


def angle_between(a, b):
    return math.acos(max(-1.0, min(1.0, dot(unit(a), unit(b)))))


def vertex_normals(pos, faces):
    """Smooth normals: face normals summed with the corner angle as weight, which does not
    depend on how a flat quad was split into triangles."""
    acc = [[0.0, 0.0, 0.0] for _ in pos]
    for f in faces:
        p, q, r = (pos[i] for i in f)
        n = unit(cross(sub(q, p), sub(r, p)))
        for c in range(3):
            a, b, d = pos[f[c]], pos[f[(c + 1) % 3]], pos[f[(c + 2) % 3]]
            w = angle_between(sub(b, a), sub(d, a))
            for k in range(3):
                acc[f[c]][k] += w * n[k]
    return [unit(a) for a in acc]


# ---------------------------------------------------------------- mesh assembly

class Mesh:
    def __init__(self):
        self.pos = []
        self.nrm = []
        self.faces = []

    def add(self, pos, faces, nrm=None):
        """Appends a separate piece; its normals are computed from its own faces."""
        base = len(self.pos)
        self.pos += pos
        self.nrm += nrm if nrm is not None else vertex_normals(pos, faces)
        self.faces += [tuple(base + i for i in f) for f in faces]


def reorder(pos, faces, vertex_slots, face_slots):
    """Moves the given vertices (slot -> construction index) and faces (slot -> the face as
    stored, in slot indices) to fixed places; everything else keeps construction order."""
    n = len(pos)
    order = [None] * n
    for slot, v in vertex_slots.items():
        order[slot] = v
    rest = iter(v for v in range(n) if v not in vertex_slots.values())
    order = [v if v is not None else next(rest) for v in order]
    new = {v: i for i, v in enumerate(order)}
    remapped = [tuple(new[i] for i in f) for f in faces]

    placed = [None] * len(remapped)
    taken = set()
    for slot, want in face_slots.items():
        rotations = [want[k:] + want[:k] for k in range(3)]
        hit = [i for i, f in enumerate(remapped) if f in rotations]
        assert len(hit) == 1, "pinned face %s is not a face of the mesh" % (want,)
        placed[slot] = want
        taken.add(hit[0])
    rest = iter(f for i, f in enumerate(remapped) if i not in taken)
    placed = [f if f is not None else next(rest) for f in placed]
    return [pos[v] for v in order], placed


def uv_sphere(segments, rings, first_angle, north_after, point):
    """A sphere of `rings` latitude rings and two poles, in the stored order both meshes use:
    south pole first, then the meridians clockwise from `first_angle` degrees, even ones
    written top to bottom and odd ones bottom to top, with the north pole after the first
    `north_after` meridians. Faces go wedge by wedge (the wedge clockwise of each meridian):
    north cap, south cap, then the bands from the bottom up, two triangles each.
    point(ring, angle_deg) gives a ring vertex, point(None, -1 or +1) a pole."""
    step = 360.0 / segments
    pos, index = [], {}

    def put(key, p):
        index[key] = len(pos)
        pos.append(p)

    put("S", point(None, -1))
    for m in range(segments):
        if m == north_after:
            put("N", point(None, +1))
        angle = first_angle - step * m
        ring_order = range(rings - 1, -1, -1) if m % 2 == 0 else range(rings)
        for r in ring_order:
            put((r, m), point(r, angle))
    if north_after >= segments:
        put("N", point(None, +1))

    faces = []
    top = rings - 1
    for k in range(segments):
        lo, hi = k, (k - 1) % segments        # hi lies one step counter-clockwise of lo
        faces.append((index["N"], index[(top, lo)], index[(top, hi)]))
        faces.append((index[(0, lo)], index["S"], index[(0, hi)]))
        for r in range(top):
            bl, tl, br, tr = (index[(r, lo)], index[(r + 1, lo)], index[(r, hi)], index[(r + 1, hi)])
            faces.append((tl, bl, tr))
            faces.append((tr, bl, br))
    return pos, faces


def ring_latitude(r, rings):
    return -90.0 + 180.0 * (r + 1) / (rings + 1)


# ---------------------------------------------------------------- spikeThingie: the spiked ball

# A hair under 0.4/sqrt(2): the stored rings sit at 0.261312, where 0.28284271 would give 0.261313.
BALL_RADIUS = 0.2828423
BALL_SPIKE_RADIUS = 0.565685          # every second equator point, pulled out to twice the radius
BALL_SOUTH_TIP = -0.650539            # the pole tips as the stored mesh has them (about 2.3 radii)
BALL_NORTH_TIP = 0.650538


def build_ball():
    rings = 7

    def point(r, a):
        if r is None:
            return (0.0, 0.0, BALL_SOUTH_TIP if a < 0 else BALL_NORTH_TIP)
        lat = math.radians(ring_latitude(r, rings))
        rad = BALL_RADIUS * math.cos(lat)
        if r == rings // 2 and round(a % 45.0, 6) == 22.5:
            rad = BALL_SPIKE_RADIUS
        t = math.radians(a)
        return (rad * math.cos(t), rad * math.sin(t), BALL_RADIUS * math.sin(lat))

    pos, faces = uv_sphere(16, rings, 337.5, 4, point)
    mesh = Mesh()
    mesh.add(pos, faces)
    # The south tip's stored normal lies across the spike; the faces' winding keeps the
    # outside in front, and the two ring normals of every tip face outweigh it.
    pin_normals(mesh, {
        0: ((0.0, -1.0, 0.0), None),
        1: ((0.733665, -0.303873, 0.607746), 0.01),
        113: ((0.794092, 0.0, 0.607746), 0.01),
    })
    return mesh


# ---------------------------------------------------------------- spikeThingie2: the flat star

STAR_BODY_RADIUS = 0.4 / math.sqrt(2.0)
STAR_FLATTEN = 0.2                     # the body is a sphere squashed to a fifth of its height
SPIKE_BASE = 0.35                      # spikes run outward from here, clear of the body
SPIKE_RINGS = (0.35, 0.8, 0.9)         # cross-section rings; the tip edge lies beyond the last
SPIKE_TIP = 0.969706                   # the blunt tip edge, straight across the spike
SPIKE_TIP_HALF_WIDTH = 0.033906
SPIKE_BASE_HALF_WIDTH = 0.13
SPIKE_HALF_THICKNESS = 0.6 * STAR_FLATTEN * STAR_BODY_RADIUS
SPIKE_SEGMENTS = 16
SPIKE_TIP_POINTS = 5
# The extra copy of the 180-degree spike: its outline (rim and tip edge, the vertices on the
# mid-plane) drawn in, everything else where the first copy has it, so it hides inside it.
COPY_OUTLINE_SCALE = 0.9
COPY_TIP_SHORTER = 0.002


def spike_half_width(u):
    t = (u - SPIKE_BASE) / (SPIKE_TIP - SPIKE_BASE)
    return SPIKE_BASE_HALF_WIDTH + t * (SPIKE_TIP_HALF_WIDTH - SPIKE_BASE_HALF_WIDTH)


def spike_local(drawn_in):
    """One spike along +u in local (u, w, z): elliptic cross-section rings open at the base,
    closed by a blunt tip edge. Returns positions and faces in construction order: ring r,
    point j at 16 * r + j (j = 0 is the bottom centre, counter-clockwise seen from the tip),
    then the tip edge from +w to -w."""
    pos = []
    for u in SPIKE_RINGS:
        a = spike_half_width(u)
        for j in range(SPIKE_SEGMENTS):
            phi = math.radians(270.0 + 360.0 * j / SPIKE_SEGMENTS)
            w, z = a * math.cos(phi), SPIKE_HALF_THICKNESS * math.sin(phi)
            if j % (SPIKE_SEGMENTS // 2) == SPIKE_SEGMENTS // 4:       # rim point, z = 0
                z = 0.0
                if drawn_in:
                    w *= COPY_OUTLINE_SCALE
            pos.append((u, w, z))
    tip_u = SPIKE_TIP - (COPY_TIP_SHORTER if drawn_in else 0.0)
    tip_w = SPIKE_TIP_HALF_WIDTH * (COPY_OUTLINE_SCALE if drawn_in else 1.0)
    for k in range(SPIKE_TIP_POINTS):
        pos.append((tip_u, tip_w * (1.0 - 2.0 * k / (SPIKE_TIP_POINTS - 1)), 0.0))

    n = SPIKE_SEGMENTS
    faces = []
    for r in range(len(SPIKE_RINGS) - 1):
        for j in range(n):
            a, b = r * n + j, r * n + (j + 1) % n
            c, d = a + n, b + n
            faces.append((a, b, d))
            faces.append((a, d, c))
    last = (len(SPIKE_RINGS) - 1) * n
    tip = [last + n + k for k in range(SPIKE_TIP_POINTS)]
    upper = [last + (n // 4 + i) % n for i in range(n // 2 + 1)]       # +w rim over the top to -w
    lower = [last + (3 * n // 4 + i) % n for i in range(n // 2 + 1)]   # -w rim under the bottom to +w
    faces += zip_strip(upper, tip)
    faces += zip_strip(lower, tip[::-1])
    return pos, faces


def zip_strip(near, far):
    """Triangles between two polylines running the same way, `far` lying toward the tip."""
    faces, i, k = [], 0, 0
    n, m = len(near) - 1, len(far) - 1
    while i < n or k < m:
        if k == m or (i < n and (i + 1) / n <= (k + 1) / m):
            faces.append((near[i], near[i + 1], far[k]))
            i += 1
        else:
            faces.append((near[i], far[k + 1], far[k]))
            k += 1
    return faces


def rotate_z(p, degrees):
    t = math.radians(degrees)
    c, s = math.cos(t), math.sin(t)
    return (p[0] * c - p[1] * s, p[0] * s + p[1] * c, p[2])


# Spike vertex and face slots kept fixed in the stored order: the first two faces of every
# spike are the faces leading tipward from the top and bottom centre of the 0.8 ring.
SPIKE_VERTEX_SLOTS = {0: 16, 1: 17, 15: 33, 8: 24, 9: 25, 7: 41}
SPIKE_FACE_SLOTS = {0: (8, 9, 7), 1: (15, 0, 1)}
# Spikes in stored order: counter-clockwise from 180 degrees, then the extra 180-degree copy.
STAR_SPIKES = ((180, False), (240, False), (300, False), (0, False), (60, False), (120, False),
               (180, True))


def build_star():
    mesh = Mesh()
    for angle, drawn_in in STAR_SPIKES:
        pos, faces = spike_local(drawn_in)
        pos, faces = reorder(pos, faces, SPIKE_VERTEX_SLOTS, SPIKE_FACE_SLOTS)
        mesh.add([rotate_z(p, angle) for p in pos], faces)

    rings = 7

    def point(r, a):
        if r is None:
            return (0.0, 0.0, a * STAR_FLATTEN * STAR_BODY_RADIUS)
        lat, t = math.radians(ring_latitude(r, rings)), math.radians(a)
        rad = STAR_BODY_RADIUS * math.cos(lat)
        return (rad * math.cos(t), rad * math.sin(t), STAR_FLATTEN * STAR_BODY_RADIUS * math.sin(lat))

    pos, faces = uv_sphere(8, rings, 315.0, 0, point)
    mesh.add(pos, faces)
    pin_normals(mesh, {
        0: ((0.004761, 0.0, -0.999969), 1.0),
        428: ((0.09769, 0.0, 0.995209), 0.01),
    })
    return mesh


# ---------------------------------------------------------------- normals fixed by the stored mesh

def pin_normals(mesh, pins):
    """Replaces computed normals by the stored ones; a tolerance (degrees) checks that the
    stored normal still follows the surface, None marks one that deliberately does not."""
    for v, (n, tolerance) in pins.items():
        if tolerance is not None:
            off = math.degrees(angle_between(n, mesh.nrm[v]))
            assert off <= tolerance, "normal %d is %.4f degrees off the surface" % (v, off)
        mesh.nrm[v] = n


# ---------------------------------------------------------------- output

# Normals are written a hair short of unit length so that rounding to six digits never lifts
# a magnitude above 1.
NORMAL_SCALE = 0.999998


def fmt(x):
    s = "%.6f" % x
    # A value this close to a rounding tie could print differently elsewhere.
    frac = abs(x) * 1e6 % 1.0
    assert abs(frac - 0.5) > 1e-4, "%r lies on a rounding tie" % x
    return "0.000000" if s == "-0.000000" else s


def rows(values):
    return ["{%s}" % ", ".join(fmt(x) + "f" for x in v) for v in values]


def header(name, about, mesh, pinned_normals):
    nv, nf = len(mesh.pos), len(mesh.faces)
    normals = [n if i in pinned_normals else tuple(NORMAL_SCALE * x for x in n)
               for i, n in enumerate(mesh.nrm)]
    lines = ["// %s" % line for line in about]
    lines += ["// Generated by tools/make_meshes.py: change the generator and run it again, do not edit.",
              "#pragma once",
              "",
              "const int %s_numberVertices = %d;" % (name, nv),
              "const int %s_numberFaces = %d;" % (name, nf),
              ""]

    def array(ctype, suffix, dims, body):
        lines.append("const %s %s_%s[%s][3] = {" % (ctype, name, suffix, dims))
        lines.extend("    %s%s" % (row, "," if i + 1 < len(body) else "") for i, row in enumerate(body))
        lines.append("};")
        lines.append("")

    array("float", "vertices", nv, rows(mesh.pos))
    array("float", "normals", nv, rows(normals))
    array("int", "faces", nf, ["{%d, %d, %d}" % f for f in mesh.faces])
    return "\n".join(lines[:-1]) + "\n"


MESHES = (
    ("spikeThingie", build_ball, (0, 1, 113), [
        "spikeThingie: a closed ball with ten spikes, drawn cel-shaded by the terrain scene.",
        "A 16-segment sphere with 7 rings whose two poles and every second point of the",
        "equator are pulled out into spikes.",
    ]),
    ("spikeThingie2", build_star, (0, 428), [
        "spikeThingie2: a flat six-pointed star, drawn cel-shaded by the cel scene.",
        "A squashed sphere for the body and six separate spikes around it, open toward the",
        "body; the spike at 180 degrees is stored twice, the second copy inside the first.",
    ]),
)


def write_all(outdir):
    os.makedirs(outdir, exist_ok=True)
    for name, build, pinned, about in MESHES:
        text = header(name, about, build(), set(pinned))
        with open(os.path.join(outdir, name + ".h"), "w", newline="\n") as f:
            f.write(text)


def check():
    with tempfile.TemporaryDirectory() as tmp:
        write_all(tmp)
        same = True
        for name, *_ in MESHES:
            stored = os.path.join(MODELS, name + ".h")
            fresh = os.path.join(tmp, name + ".h")
            if not os.path.exists(stored) or not filecmp.cmp(stored, fresh, shallow=False):
                sys.stderr.write("models/%s.h differs from what tools/make_meshes.py writes\n" % name)
                same = False
    return 0 if same else 1


def main(argv):
    if len(argv) > 1 and argv[1] == "--check":
        return check()
    write_all(argv[1] if len(argv) > 1 else MODELS)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
