#!/usr/bin/env python3
"""Draws Orvane's application icon (orvane.ico) and its icon sheet (icon_sheet.png) from vector
shapes. Both outputs are committed, so a build needs no Python; after changing a shape, regenerate
them with

    python3 app/resources/make_resources.py

Python 3 standard library only. Shapes are signed distance functions in design units; a pixel's
coverage is 0.5 minus its centre's distance in pixels, clamped to 0..1. The output is byte-for-byte
reproducible."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------------------------------------
# Signed distance shapes: each is (function of x, y -> distance, bounding box or None for "anywhere").

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def circle(cx, cy, r):
    return (lambda x, y: math.hypot(x - cx, y - cy) - r), (cx - r, cy - r, cx + r, cy + r)


def rounded_box(x0, y0, x1, y1, r):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2

    def f(x, y):
        qx, qy = abs(x - cx) - hx + r, abs(y - cy) - hy + r
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    return f, (x0, y0, x1, y1)


def polygon(points):
    n = len(points)

    def f(x, y):
        d = (x - points[0][0]) ** 2 + (y - points[0][1]) ** 2
        s = 1.0
        j = n - 1
        for i in range(n):
            (xi, yi), (xj, yj) = points[i], points[j]
            ex, ey, wx, wy = xj - xi, yj - yi, x - xi, y - yi
            t = clamp((wx * ex + wy * ey) / (ex * ex + ey * ey))
            bx, by = wx - ex * t, wy - ey * t
            d = min(d, bx * bx + by * by)
            c1, c2, c3 = y >= yi, y < yj, ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                s = -s
            j = i
        return s * math.sqrt(d)
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return f, (min(xs), min(ys), max(xs), max(ys))


def polyline(points, width):
    """A stroke along the points with round caps and joins."""
    half = width / 2
    segments = list(zip(points, points[1:]))

    def f(x, y):
        best = 1e9
        for (ax, ay), (bx, by) in segments:
            ex, ey = bx - ax, by - ay
            t = clamp(((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey))
            best = min(best, math.hypot(x - ax - ex * t, y - ay - ey * t))
        return best - half
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return f, (min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half)


def outline(shape, width):
    """The shape's edge as a stroke of `width` centred on it."""
    f, (x0, y0, x1, y1) = shape
    h = width / 2
    return (lambda x, y: abs(f(x, y)) - h), (x0 - h, y0 - h, x1 + h, y1 + h)


def union(*shapes):
    fs = [s[0] for s in shapes]
    boxes = [s[1] for s in shapes]
    box = (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes), max(b[3] for b in boxes))
    return (lambda x, y: min(g(x, y) for g in fs)), box


def subtract(shape, cut):
    f, g = shape[0], cut[0]
    return (lambda x, y: max(f(x, y), -g(x, y))), shape[1]


def intersect(shape, other):
    f, g = shape[0], other[0]
    return (lambda x, y: max(f(x, y), g(x, y))), shape[1]


def half_plane(nx, ny, c):
    """Inside where nx * x + ny * y < c (n of unit length)."""
    return (lambda x, y: nx * x + ny * y - c), None


def ellipse_outline(cx, cy, rx, ry, width, steps=72):
    return polyline([(cx + rx * math.cos(2 * math.pi * i / steps), cy + ry * math.sin(2 * math.pi * i / steps))
                     for i in range(steps + 1)], width)


def drop(cx, cy, r, tip_height):
    """A water drop: a circle at (cx, cy) drawn out to a point tip_height above its centre."""
    d = tip_height
    tx, ty = r * math.sqrt(d * d - r * r) / d, -r * r / d
    return union(circle(cx, cy, r), polygon([(cx, cy - d), (cx + tx, cy + ty), (cx - tx, cy + ty)]))


def gear(cx, cy, outer, inner, teeth, hole):
    """A gear with `teeth` flat-topped teeth; one tooth points along +x."""
    def f(x, y):
        dx, dy = x - cx, y - cy
        r = math.hypot(dx, dy)
        a = math.atan2(dy, dx) * teeth / (2 * math.pi)
        phase = abs(a - round(a))  # 0 at a tooth's centre, 0.5 between teeth
        profile = inner + (outer - inner) * clamp((0.32 - phase) / 0.08 + 0.5)
        return max(r - profile, hole - r)
    return f, (cx - outer, cy - outer, cx + outer, cy + outer)


def coverage(shape, x, y, pixel):
    f, box = shape
    if box is not None and (x < box[0] - pixel or y < box[1] - pixel or x > box[2] + pixel or y > box[3] + pixel):
        return 0.0
    return clamp(0.5 - f(x, y) / pixel)


# ---------------------------------------------------------------------------------------------
# PNG and ICO writers.

def png_bytes(width, height, rows, channels):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    color_type = 6 if channels == 4 else 2
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico_bytes(images):
    """images: list of (size, png bytes); every entry is PNG-compressed."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory, data = b"", b""
    for size, body in images:
        side = 0 if size >= 256 else size
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(body), offset + len(data))
        data += body
    return header + directory + data


# ---------------------------------------------------------------------------------------------
# The icon sheet: 3 x 3 cells of white line glyphs with blue accent parts over a grey checkerboard,
# drawn on a 24-unit grid per cell. The application keys the checkerboard out and tints what is
# left: a pixel whose blue channel is highest and whose channels spread more than 22 becomes the
# accent with alpha 5 * spread - 60; any other becomes the ink with alpha 7 * (channel average) - 1526.
# Edge pixels are written so that those formulas give back the glyph's coverage, so the tinted
# icons keep smooth edges. Every glyph spans a square, because the icons are cropped to what they
# cover and then drawn into square boxes.

CELL = 128
GRID = 24
STROKE = 1.6
CHECKER = 8
CHECKER_GREYS = (184, 204)          # both average below 219: keyed out completely
ACCENT_BLUE = (0x1E, 0x88, 0xE5)    # spread 199: fully opaque accent


def ink_pixel(background, alpha):
    """Grey level whose keyed alpha (7 * level - 1526) is at least `alpha`."""
    level = max(219, math.ceil((1526 + alpha) / 7))
    return (min(level, 255),) * 3 if alpha > 0 else background


def accent_pixel(background, alpha):
    """A blend of the background towards the accent blue whose keyed alpha is at least `alpha`."""
    if alpha >= 255:
        return ACCENT_BLUE
    spread = max(23, math.ceil((60 + alpha) / 5))
    grey = background[0]
    t = spread / (ACCENT_BLUE[2] - ACCENT_BLUE[0])
    r = round(grey + (ACCENT_BLUE[0] - grey) * t)
    g = round(grey + (ACCENT_BLUE[1] - grey) * t)
    return (r, g, r + spread)


def picture_frame(x0, y0, x1, y1):
    return outline(rounded_box(x0, y0, x1, y1, 3.0), STROKE)


def glyph_folder():
    body = union(rounded_box(2.5, 6.5, 21.5, 21.5, 2.2), rounded_box(2.5, 2.5, 10.5, 9.0, 2.0),
                 polygon([(8.0, 2.5), (11.5, 6.5), (8.0, 6.5)]))
    ink = outline(body, STROKE)
    accent = polyline([(2.5, 10.5), (21.5, 10.5)], STROKE)
    return ink, accent


def glyph_export():
    frame = subtract(picture_frame(2.0, 6.0, 18.0, 22.0), rounded_box(11.0, 3.0, 24.0, 13.0, 0.0))
    hills = polyline([(2.8, 19.0), (7.5, 14.5), (11.0, 18.0), (13.5, 15.5), (17.2, 19.2)], STROKE)
    ink = union(frame, hills)
    accent = union(polyline([(10.5, 13.5), (21.0, 3.0)], STROKE), polyline([(14.5, 3.0), (21.0, 3.0), (21.0, 9.5)], STROKE))
    return ink, accent


def glyph_theme():
    c = 12.0
    # Left: half a sun with its rays; right: a crescent moon whose horns close the circle.
    moon = subtract(intersect(circle(c, c, 10.0), half_plane(-1.0, 0.0, -c)), circle(1.5, c, 14.5))
    sun = intersect(circle(c, c, 4.8), half_plane(1.0, 0.0, c - 1.2))
    rays = [polyline([(c + 7.0 * math.cos(a), c + 7.0 * math.sin(a)), (c + 9.2 * math.cos(a), c + 9.2 * math.sin(a))],
                     STROKE)
            for a in (math.radians(d) for d in (120, 150, 180, 210, 240))]
    return moon, union(sun, *rays)


def glyph_globe():
    ink = union(outline(circle(12.0, 12.0, 9.7), STROKE), polyline([(2.3, 12.0), (21.7, 12.0)], STROKE))
    accent = ellipse_outline(12.0, 12.0, 4.2, 9.7, STROKE)
    return ink, accent


def glyph_info():
    ink = outline(circle(12.0, 12.0, 9.7), STROKE)
    accent = union(circle(12.0, 7.6, 1.35), polyline([(12.0, 11.0), (12.0, 16.8)], STROKE * 1.15))
    return ink, accent


def glyph_text_drop():
    ink = union(polyline([(2.8, 3.2), (15.2, 3.2)], STROKE), polyline([(9.0, 3.2), (9.0, 20.4)], STROKE),
                polyline([(6.4, 20.4), (11.6, 20.4)], STROKE))
    accent = drop(17.6, 18.0, 3.6, 8.2)
    return ink, accent


def glyph_focus():
    arm = 5.5
    lo, hi = 2.8, 21.2
    corners = [
        [(lo, lo + arm), (lo, lo), (lo + arm, lo)],
        [(hi - arm, lo), (hi, lo), (hi, lo + arm)],
        [(hi, hi - arm), (hi, hi), (hi - arm, hi)],
        [(lo + arm, hi), (lo, hi), (lo, hi - arm)],
    ]
    ink = union(*(polyline(p, STROKE) for p in corners))
    accent = union(circle(12.0, 12.0, 2.6), outline(circle(12.0, 12.0, 5.6), STROKE * 0.8))
    return ink, accent


def glyph_picture_gear():
    g = gear(17.0, 17.0, 5.2, 3.9, 8, 1.7)
    frame = subtract(picture_frame(2.0, 2.0, 17.0, 17.0), circle(17.0, 17.0, 6.8))
    hills = subtract(polyline([(2.8, 14.2), (7.0, 10.0), (10.5, 13.5)], STROKE), circle(17.0, 17.0, 6.8))
    sun = circle(11.8, 6.8, 1.6)
    return union(frame, hills, sun), g


def glyph_picture():
    frame = picture_frame(2.2, 2.2, 21.8, 21.8)
    hills = intersect(polyline([(2.8, 17.5), (8.5, 11.5), (13.5, 16.5), (16.0, 14.0), (21.2, 19.2)], STROKE),
                      rounded_box(2.2, 2.2, 21.8, 21.8, 3.0))
    sun = circle(15.5, 8.0, 2.2)
    return union(frame, hills), sun


SHEET = [
    [glyph_folder, glyph_export, glyph_theme],
    [glyph_globe, glyph_info, glyph_text_drop],
    [glyph_focus, glyph_picture_gear, glyph_picture],
]


def keyed_alpha(r, g, b):
    """The application's tint rule: the alpha a sheet pixel keeps."""
    hi, lo = max(r, g, b), min(r, g, b)
    if b == hi and hi - lo > 22:
        return clamp(5 * hi - 5 * lo - 60, 0, 255)
    return clamp(7 * ((r + g + b) // 3) - 1526, 0, 255)


def render_sheet():
    size = CELL * 3
    pixel = GRID / CELL
    rows = []
    for y in range(size):
        rows.append(bytearray())
    boxes = {}
    for row, glyphs in enumerate(SHEET):
        for column, make in enumerate(glyphs):
            ink, accent = make()
            box = [CELL, CELL, -1, -1]
            for py in range(CELL):
                y = (py + 0.5) * pixel
                line = rows[row * CELL + py]
                for px in range(CELL):
                    x = (px + 0.5) * pixel
                    gx, gy = column * CELL + px, row * CELL + py
                    grey = CHECKER_GREYS[((gx // CHECKER) + (gy // CHECKER)) % 2]
                    background = (grey, grey, grey)
                    ci, ca = coverage(ink, x, y, pixel), coverage(accent, x, y, pixel)
                    alpha = round(255 * min(1.0, ci + ca))
                    if alpha == 0:
                        value = background
                    elif ca > ci:
                        value = accent_pixel(background, alpha) if alpha >= 40 else background
                    else:
                        value = ink_pixel(background, alpha)
                    line.extend(value)
                    if keyed_alpha(*value) >= 13:
                        box = [min(box[0], px), min(box[1], py), max(box[2], px), max(box[3], py)]
            boxes[(column, row)] = box
    # Rows were filled cell by cell: reorder each row's columns into place.
    ordered = []
    for y in range(size):
        ordered.append(rows[y])
    uneven = []
    for (column, row), (x0, y0, x1, y1) in sorted(boxes.items()):
        w, h = x1 - x0 + 1, y1 - y0 + 1
        if abs(w - h) > 1:
            uneven.append(f"glyph ({column}, {row}) covers {w} x {h} pixels from ({x0}, {y0})")
    assert not uneven, "not square: " + "; ".join(uneven)
    return size, ordered


# ---------------------------------------------------------------------------------------------
# The application icon: a blue tile holding a white photo print with hills and a sun, and a water
# drop stamped over its corner, drawn on a 256-unit grid at every size the icon carries.

ICON_SIZES = (16, 20, 24, 32, 48, 64, 128, 256)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def hex_rgb(value):
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255)


def icon_layers(size):
    small = size <= 32
    tile_top, tile_bottom = hex_rgb(0x38BDF8), hex_rgb(0x1D4ED8)
    layers = [
        (rounded_box(14, 14, 242, 242, 54), lambda x, y: mix(tile_top, tile_bottom, clamp((x + y - 28) / 456))),
        # A soft shadow under the print.
        (rounded_box(46, 60, 206, 206, 20), lambda x, y: (15, 40, 110), 0.28),
        (rounded_box(42, 50, 202, 198, 18), lambda x, y: (255, 255, 255)),
    ]
    sky_top, sky_bottom = hex_rgb(0xE0F2FE), hex_rgb(0x7DD3FC)
    photo = rounded_box(56, 64, 188, 160, 9)
    layers.append((photo, lambda x, y: mix(sky_top, sky_bottom, clamp((y - 64) / 96))))
    layers.append((intersect(circle(150, 96, 14), photo[0:1] + (None,)), lambda x, y: hex_rgb(0xFBBF24)))
    far = intersect(polygon([(56, 160), (56, 136), (104, 96), (140, 128), (160, 112), (188, 136), (188, 160)]),
                    (photo[0], None))
    layers.append((far, lambda x, y: mix(hex_rgb(0x38BDF8), hex_rgb(0x0369A1), clamp((y - 96) / 64))))
    near = intersect(polygon([(56, 160), (56, 150), (92, 128), (128, 152), (188, 140), (188, 160)]), (photo[0], None))
    layers.append((near, lambda x, y: hex_rgb(0x075985)))
    if not small:
        # The watermark: translucent diagonal strokes tiled across the photo.
        for cx, cy in ((82, 86), (142, 86), (112, 116), (172, 116), (82, 146), (142, 146)):
            dx, dy = 17 * math.cos(math.radians(-30)), 17 * math.sin(math.radians(-30))
            stroke = intersect(polyline([(cx - dx, cy - dy), (cx + dx, cy + dy)], 6), (photo[0], None))
            layers.append((stroke, lambda x, y: (255, 255, 255), 0.5))
    # The drop, with a white ring that parts it from the print.
    ring = drop(190, 190, 40, 78)
    layers.append((ring, lambda x, y: (255, 255, 255)))
    body = drop(190, 190, 30, 62)
    layers.append((body, lambda x, y: mix(hex_rgb(0x22D3EE), hex_rgb(0x0284C7), clamp((y - 128) / 92))))
    if not small:
        shine = polyline([(190 + 19 * math.cos(math.radians(a)), 190 + 19 * math.sin(math.radians(a)))
                          for a in range(145, 206, 5)], 6)
        layers.append((shine, lambda x, y: (255, 255, 255), 0.85))
    return layers


def render_icon(size):
    pixel = 256 / size
    layers = icon_layers(size)
    rows = []
    for py in range(size):
        row = bytearray()
        y = (py + 0.5) * pixel
        for px in range(size):
            x = (px + 0.5) * pixel
            r = g = b = a = 0.0  # premultiplied
            for layer in layers:
                shape, paint = layer[0], layer[1]
                opacity = layer[2] if len(layer) > 2 else 1.0
                cov = coverage(shape, x, y, pixel) * opacity
                if cov <= 0:
                    continue
                cr, cg, cb = paint(x, y)
                r, g, b = cr * cov + r * (1 - cov), cg * cov + g * (1 - cov), cb * cov + b * (1 - cov)
                a = cov + a * (1 - cov)
            if a > 0:
                row.extend((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row.extend((0, 0, 0, 0))
        rows.append(row)
    return png_bytes(size, size, rows, 4)


def main():
    size, rows = render_sheet()
    with open(os.path.join(HERE, "icon_sheet.png"), "wb") as f:
        f.write(png_bytes(size, size, rows, 3))
    with open(os.path.join(HERE, "orvane.ico"), "wb") as f:
        f.write(ico_bytes([(s, render_icon(s)) for s in ICON_SIZES]))


if __name__ == "__main__":
    main()
