#!/usr/bin/python3
"""Draw the installer's icons and banner.

Usage: gen_art.py OUTDIR

Writes into OUTDIR:
  app.ico          the program icon (resource 128): an open box with an arrow
                   going in; 16x16, 32x32 and 48x48 images
  flag_NNN.ico     the language flags (resources 141-158 and 160-162); each has a
                   16x12 image (the size the start page loads) and a 32x24 one
  banner.bmp       the wizard's banner (resource 137): 87x171, 8 bits per pixel
                   with a 256-colour palette

Every picture is drawn here from simple shapes, with 4x4 supersampling for
smooth edges. Only the standard library is used and the output is the same,
byte for byte, on every run.
"""

import math
import os
import struct
import sys

SUPERSAMPLE = 4


# --------------------------------------------------------------------------
# Geometry helpers (coordinates in the caller's own units)

def inside_polygon(x, y, pts):
    """Even-odd rule; pts is a list of (x, y)."""
    hit = False
    n = len(pts)
    j = n - 1
    for i in range(n):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y):
            cross = xi + (y - yi) * (xj - xi) / (yj - yi)
            if x < cross:
                hit = not hit
        j = i
    return hit


def distance_to_segment(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
    px, py = ax + t * dx, ay + t * dy
    return math.hypot(x - px, y - py)


def distance_to_outline(x, y, pts):
    return min(distance_to_segment(x, y, pts[i], pts[(i + 1) % len(pts)]) for i in range(len(pts)))


def star(cx, cy, outer, first_angle=-math.pi / 2, inner_ratio=0.382):
    """Five-pointed star; first_angle is the direction of one point (y grows downwards)."""
    pts = []
    for k in range(10):
        r = outer if k % 2 == 0 else outer * inner_ratio
        a = first_angle + k * math.pi / 5
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def triangle(cx, cy, r, first_angle):
    return [(cx + r * math.cos(first_angle + k * 2 * math.pi / 3),
             cy + r * math.sin(first_angle + k * 2 * math.pi / 3)) for k in range(3)]


def hexrgb(s):
    return (int(s[1:3], 16), int(s[3:5], 16), int(s[5:7], 16))


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


# --------------------------------------------------------------------------
# Rasteriser: paint(x, y) -> (r, g, b, a) with a in 0..1 for a point given in
# picture units (0..1 across both axes); returns straight-alpha 8-bit BGRA rows.

def rasterise(width, height, paint):
    rows = []
    n = SUPERSAMPLE
    for py in range(height):
        row = []
        for px in range(width):
            pr = pg = pb = pa = 0.0
            for sy in range(n):
                for sx in range(n):
                    u = (px + (sx + 0.5) / n) / width
                    v = (py + (sy + 0.5) / n) / height
                    r, g, b, a = paint(u, v)
                    pr += r * a
                    pg += g * a
                    pb += b * a
                    pa += a
            count = n * n
            alpha = pa / count
            if alpha <= 0:
                row.append((0, 0, 0, 0))
                continue
            row.append((round(pb / pa), round(pg / pa), round(pr / pa), round(alpha * 255)))
        rows.append(row)
    return rows


def over(dst, src_rgb, src_a):
    """Composite src over dst; colours are 0..255 floats, alpha 0..1."""
    r, g, b, a = dst
    out_a = src_a + a * (1 - src_a)
    if out_a <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    k = a * (1 - src_a)
    return (
        (src_rgb[0] * src_a + r * k) / out_a,
        (src_rgb[1] * src_a + g * k) / out_a,
        (src_rgb[2] * src_a + b * k) / out_a,
        out_a,
    )


# --------------------------------------------------------------------------
# ICO writer: 32-bit BGRA DIBs with AND masks

def ico_image(rows):
    height = len(rows)
    width = len(rows[0])
    xor = bytearray()
    for row in reversed(rows):  # DIBs are stored bottom-up
        for b, g, r, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return width, height, header + bytes(xor) + bytes(mask)


def write_ico(path, images):
    images = [ico_image(rows) for rows in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for width, height, data in images:
        out += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


# --------------------------------------------------------------------------
# Program icon: an open cardboard box, a blue arrow going into it

BOX_INSIDE = [(0.20, 0.34), (0.80, 0.34), (0.88, 0.47), (0.12, 0.47)]
FLAP_LEFT = [(0.12, 0.47), (0.20, 0.34), (0.09, 0.18), (0.01, 0.31)]
FLAP_RIGHT = [(0.88, 0.47), (0.80, 0.34), (0.91, 0.18), (0.99, 0.31)]
ARROW = [(0.40, 0.02), (0.60, 0.02), (0.60, 0.27), (0.77, 0.27), (0.50, 0.56), (0.23, 0.27), (0.40, 0.27)]
BOX_FRONT = [(0.12, 0.47), (0.88, 0.47), (0.88, 0.93), (0.12, 0.93)]
TAPE = [(0.43, 0.47), (0.57, 0.47), (0.57, 0.64), (0.43, 0.64)]


def app_icon_painter(size):
    stroke = 1.0 / size  # about one pixel at every size
    small = size <= 16  # flaps, shadow and tape would only blur at 16 pixels

    def shape(pixel, pts, fill, edge, x, y):
        if not inside_polygon(x, y, pts):
            return pixel
        colour = edge if (edge is not None and distance_to_outline(x, y, pts) < stroke) else fill
        return over(pixel, colour, 1.0)

    def paint(x, y):
        px = (0.0, 0.0, 0.0, 0.0)
        # soft shadow under the box
        d = ((x - 0.5) / 0.44) ** 2 + ((y - 0.95) / 0.045) ** 2
        if d < 1 and not small:
            px = over(px, (0, 0, 0), 0.30 * (1 - d))
        px = shape(px, BOX_INSIDE, hexrgb("#5a3816"), hexrgb("#3d2409"), x, y)
        if not small:
            px = shape(px, FLAP_LEFT, mix(hexrgb("#f0c985"), hexrgb("#d9a75c"), (0.47 - y) / 0.25),
                       hexrgb("#6e4518"), x, y)
            px = shape(px, FLAP_RIGHT, mix(hexrgb("#e6b56c"), hexrgb("#c8924a"), (0.47 - y) / 0.25),
                       hexrgb("#6e4518"), x, y)
        px = shape(px, ARROW, mix(hexrgb("#5cb6ff"), hexrgb("#1459c4"), y / 0.56), hexrgb("#0b357a"), x, y)
        px = shape(px, BOX_FRONT, mix(hexrgb("#dfa75a"), hexrgb("#b8792f"), (y - 0.47) / 0.46),
                   hexrgb("#6e4518"), x, y)
        if not small and inside_polygon(x, y, TAPE) and distance_to_outline(x, y, BOX_FRONT) >= stroke:
            px = over(px, hexrgb("#f3dcaa"), 0.9)
        return px

    return paint


# --------------------------------------------------------------------------
# Flags, drawn on a 4 x 3 canvas (X 0..4 left to right, Y 0..3 top to bottom)

def horizontal(*colours):
    cs = [hexrgb(c) for c in colours]
    return lambda X, Y: cs[min(int(Y / 3 * len(cs)), len(cs) - 1)]


def vertical(*colours):
    cs = [hexrgb(c) for c in colours]
    return lambda X, Y: cs[min(int(X / 4 * len(cs)), len(cs) - 1)]


def nordic_cross(field, cross, inner, vx, hy):
    """vx, hy: (start, end) of the vertical and horizontal bars; inner bars are optional."""
    field, cross = hexrgb(field), hexrgb(cross)
    inner_colour = hexrgb(inner[0]) if inner else None

    def paint(X, Y):
        if inner and (inner[1][0] <= X < inner[1][1] or inner[2][0] <= Y < inner[2][1]):
            return inner_colour
        if vx[0] <= X < vx[1] or hy[0] <= Y < hy[1]:
            return cross
        return field

    return paint


def flag_germany():
    return horizontal("#000000", "#dd0000", "#ffce00")


def flag_denmark():
    return nordic_cross("#c8102e", "#ffffff", None, (12 / 37 * 4, 16 / 37 * 4), (12 / 28 * 3, 16 / 28 * 3))


def flag_spain():
    red, yellow = hexrgb("#aa151b"), hexrgb("#f1bf00")
    shield = [(0.95, 1.05), (1.45, 1.05), (1.45, 1.75), (1.2, 2.0), (0.95, 1.75)]

    def paint(X, Y):
        if inside_polygon(X, Y, shield):
            if distance_to_outline(X, Y, shield) < 0.08:
                return hexrgb("#7a1a10")
            return hexrgb("#c8282e") if Y < 1.45 else hexrgb("#e8a317")
        return yellow if 0.75 <= Y < 2.25 else red

    return paint


def flag_france():
    return vertical("#0055a4", "#ffffff", "#ef4135")


def flag_uk():
    blue, white, red = hexrgb("#012169"), hexrgb("#ffffff"), hexrgb("#c8102e")

    def paint(X, Y):
        d1 = abs(3 * X - 4 * Y) / 5
        d2 = abs(3 * X + 4 * Y - 12) / 5
        c = blue
        if min(d1, d2) < 0.36:
            c = white
        if min(d1, d2) < 0.12:
            c = red
        if abs(X - 2) < 0.5 or abs(Y - 1.5) < 0.5:
            c = white
        if abs(X - 2) < 0.3 or abs(Y - 1.5) < 0.3:
            c = red
        return c

    return paint


def flag_italy():
    return vertical("#009246", "#ffffff", "#ce2b37")


def flag_netherlands():
    return horizontal("#ae1c28", "#ffffff", "#21468b")


def flag_portugal():
    green, red, gold = hexrgb("#006600"), hexrgb("#ff0000"), hexrgb("#ffe000")
    cx, cy = 1.6, 1.5

    def paint(X, Y):
        r = math.hypot(X - cx, Y - cy)
        if 0.52 <= r < 0.78:
            return gold
        if abs(X - cx) < 0.34 and abs(Y - cy) < 0.40:
            if abs(X - cx) < 0.15 and abs(Y - cy) < 0.2:
                return hexrgb("#ffffff")
            return hexrgb("#e00000")
        return green if X < 1.6 else red

    return paint


def flag_turkey():
    red, white = hexrgb("#e30a17"), hexrgb("#ffffff")
    points = star(2.45, 1.5, 0.40, first_angle=math.pi)

    def paint(X, Y):
        in_outer = math.hypot(X - 1.5, Y - 1.5) < 0.75
        in_inner = math.hypot(X - 1.69, Y - 1.5) < 0.60
        if (in_outer and not in_inner) or inside_polygon(X, Y, points):
            return white
        return red

    return paint


def flag_bulgaria():
    return horizontal("#ffffff", "#00966e", "#d62612")


def flag_romania():
    return vertical("#002b7f", "#fcd116", "#ce1126")


def flag_china():
    red, yellow = hexrgb("#ee1c25"), hexrgb("#ffff00")
    big = (0.667, 0.75)
    stars = [star(big[0], big[1], 0.48)]
    for sx, sy in ((1.333, 0.3), (1.6, 0.6), (1.6, 1.05), (1.333, 1.35)):
        stars.append(star(sx, sy, 0.17, first_angle=math.atan2(big[1] - sy, big[0] - sx)))

    def paint(X, Y):
        return yellow if any(inside_polygon(X, Y, s) for s in stars) else red

    return paint


def flag_czechia():
    white, red, blue = hexrgb("#ffffff"), hexrgb("#d7141a"), hexrgb("#11457e")
    wedge = [(0, 0), (2, 1.5), (0, 3)]

    def paint(X, Y):
        if inside_polygon(X, Y, wedge):
            return blue
        return white if Y < 1.5 else red

    return paint


def flag_norway():
    return nordic_cross("#ba0c2f", "#ffffff",
                        ("#00205b", (7 / 22 * 4, 9 / 22 * 4), (7 / 16 * 3, 9 / 16 * 3)),
                        (6 / 22 * 4, 10 / 22 * 4), (6 / 16 * 3, 10 / 16 * 3))


def flag_greece():
    blue, white = hexrgb("#0d5eaf"), hexrgb("#ffffff")
    stripe = 3 / 9
    canton = 5 * stripe

    def paint(X, Y):
        if X < canton and Y < canton:
            if 2 * stripe <= X < 3 * stripe or 2 * stripe <= Y < 3 * stripe:
                return white
            return blue
        return blue if int(Y / stripe) % 2 == 0 else white

    return paint


def flag_poland():
    return horizontal("#ffffff", "#dc143c")


def flag_israel():
    white, blue = hexrgb("#ffffff"), hexrgb("#0038b8")
    outer_up, inner_up = triangle(2, 1.5, 0.78, -math.pi / 2), triangle(2, 1.5, 0.78 - 0.30, -math.pi / 2)
    outer_dn, inner_dn = triangle(2, 1.5, 0.78, math.pi / 2), triangle(2, 1.5, 0.78 - 0.30, math.pi / 2)

    def paint(X, Y):
        if 0.3 <= Y < 0.68 or 2.32 <= Y < 2.7:
            return blue
        for outer, inner in ((outer_up, inner_up), (outer_dn, inner_dn)):
            if inside_polygon(X, Y, outer) and not inside_polygon(X, Y, inner):
                return blue
        return white

    return paint


def flag_vietnam():
    red, yellow = hexrgb("#da251d"), hexrgb("#ffff00")
    points = star(2, 1.55, 0.95)
    return lambda X, Y: yellow if inside_polygon(X, Y, points) else red


def flag_japan():
    white, red = hexrgb("#ffffff"), hexrgb("#bc002d")
    return lambda X, Y: red if math.hypot(X - 2, Y - 1.5) < 0.9 else white


def flag_hungary():
    return horizontal("#cd2a3e", "#ffffff", "#436f4d")


def flag_serbia():
    stripes = horizontal("#c6363c", "#0c4076", "#ffffff")
    shield = [(0.9, 0.75), (1.7, 0.75), (1.7, 1.85), (1.3, 2.3), (0.9, 1.85)]
    gold, red, white = hexrgb("#d4a93a"), hexrgb("#c6363c"), hexrgb("#ffffff")

    def paint(X, Y):
        if inside_polygon(X, Y, shield):
            if distance_to_outline(X, Y, shield) < 0.1:
                return gold
            if abs(X - 1.3) < 0.1 or abs(Y - 1.4) < 0.1:
                return white
            return red
        return stripes(X, Y)

    return paint


FLAGS = {
    141: flag_germany,
    142: flag_denmark,
    143: flag_spain,
    144: flag_france,
    145: flag_uk,
    146: flag_italy,
    147: flag_netherlands,
    148: flag_portugal,
    149: flag_turkey,
    150: flag_bulgaria,
    151: flag_romania,
    152: flag_china,
    153: flag_czechia,
    154: flag_norway,
    155: flag_greece,
    156: flag_poland,
    157: flag_israel,
    158: flag_vietnam,
    160: flag_japan,
    161: flag_hungary,
    162: flag_serbia,
}


def flag_image(design, width, height):
    rows = rasterise(width, height, lambda u, v: design(u * 4, v * 3) + (1.0,))
    # a faint darker rim keeps white and pale flags visible on a white list
    edge = (64, 64, 64)
    out = []
    for y, row in enumerate(rows):
        line = []
        for x, (b, g, r, a) in enumerate(row):
            if x in (0, width - 1) or y in (0, height - 1):
                b, g, r = (round(c * 0.75 + e * 0.25) for c, e in zip((b, g, r), edge))
            line.append((b, g, r, a))
        out.append(line)
    return out


# --------------------------------------------------------------------------
# Banner: a deep blue vertical gradient, faint arcs from the upper right and a
# pale outline of the program's box-and-arrow picture near the bottom.

BANNER_WIDTH, BANNER_HEIGHT = 87, 171
GRADIENT_LEVELS, OVERLAY_LEVELS = 32, 8  # 32 x 8 = 256 palette entries
BANNER_TOP, BANNER_BOTTOM = hexrgb("#0b2350"), hexrgb("#2f7fb8")
BAYER4 = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))


def banner_overlay(x, y):
    """White coverage (0..1) at a point given in pixels."""
    a = 0.0
    # arcs around a centre beyond the upper right corner
    r = math.hypot(x - 100.0, y + 25.0)
    for radius in (55.0, 80.0, 105.0, 130.0):
        if abs(r - radius) < 1.1:
            a = max(a, 0.16)
    # the box-and-arrow picture, 56 pixels wide, centred at the bottom
    size, left, top = 56.0, (BANNER_WIDTH - 56.0) / 2, 104.0
    u, v = (x - left) / size, (y - top) / size
    if 0 <= u <= 1 and 0 <= v <= 1:
        icon = None  # the picture's layers are opaque: the topmost one decides
        for pts, alpha in ((BOX_INSIDE, 0.22), (FLAP_LEFT, 0.38), (FLAP_RIGHT, 0.38),
                           (ARROW, 0.85), (BOX_FRONT, 0.50)):
            if inside_polygon(u, v, pts):
                icon = 0.85 if distance_to_outline(u, v, pts) < 1.2 / size else alpha
        if inside_polygon(u, v, TAPE) and distance_to_outline(u, v, BOX_FRONT) >= 1.2 / size:
            icon = 0.70
        if icon is not None:
            a = icon
    return a


def banner_palette():
    palette = []
    for g in range(GRADIENT_LEVELS):
        base = mix(BANNER_TOP, BANNER_BOTTOM, g / (GRADIENT_LEVELS - 1))
        for k in range(OVERLAY_LEVELS):
            palette.append(tuple(round(c) for c in mix(base, (255, 255, 255), k / (OVERLAY_LEVELS - 1))))
    return palette


def write_banner(path):
    palette = banner_palette()
    stride = (BANNER_WIDTH + 3) & ~3
    n = SUPERSAMPLE
    rows = []
    for y in range(BANNER_HEIGHT):
        row = bytearray(stride)
        t = (y + 0.5) / BANNER_HEIGHT
        for x in range(BANNER_WIDTH):
            cover = sum(banner_overlay(x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                        for sy in range(n) for sx in range(n)) / (n * n)
            g = int(t * (GRADIENT_LEVELS - 1) + (BAYER4[y % 4][x % 4] + 0.5) / 16)
            g = min(g, GRADIENT_LEVELS - 1)
            k = round(cover * (OVERLAY_LEVELS - 1))
            row[x] = g * OVERLAY_LEVELS + k
        rows.append(bytes(row))
    pixels = b"".join(reversed(rows))  # bottom-up
    palette_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, BANNER_WIDTH, BANNER_HEIGHT, 1, 8, 0, len(pixels),
                       3780, 3780, len(palette), 0)
    offset = 14 + len(info) + len(palette_bytes)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + palette_bytes + pixels)


# --------------------------------------------------------------------------

def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: gen_art.py OUTDIR\n")
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    write_ico(os.path.join(outdir, "app.ico"),
              [rasterise(s, s, app_icon_painter(s)) for s in (16, 32, 48)])
    for number, design in FLAGS.items():
        d = design()
        write_ico(os.path.join(outdir, f"flag_{number}.ico"),
                  [flag_image(d, 16, 12), flag_image(d, 32, 24)])
    write_banner(os.path.join(outdir, "banner.bmp"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
