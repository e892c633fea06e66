#!/usr/bin/env python3
"""Draws the recorder's tray and window icons and writes them as multi-size .ico files.

The pictures are plain geometry rendered with 4x4 supersampling, so every size is drawn for its own
grid instead of being scaled from a larger one. Each image is a 32-bit DIB with alpha plus the AND
mask that older icon code still reads.

Usage: python3 scripts/make_icons.py [--preview FILE.png]
"""

import math
import os
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48)
SUPERSAMPLE = 4


# Shapes answer whether the point (x, y), in units of the icon's side (0..1, y down), is inside.

def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_outer, r_inner):
    return lambda x, y: r_inner * r_inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r_outer * r_outer


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        dx = max(x0 + radius - x, 0.0, x - (x1 - radius))
        dy = max(y0 + radius - y, 0.0, y - (y1 - radius))
        return dx * dx + dy * dy <= radius * radius
    return inside


def rounded_frame(x0, y0, x1, y1, radius, width):
    outer = rounded_rect(x0, y0, x1, y1, radius)
    inner = rounded_rect(x0 + width, y0 + width, x1 - width, y1 - width, max(radius - width, 0.0))
    return lambda x, y: outer(x, y) and not inner(x, y)


def ellipse(cx, cy, rx, ry, angle_deg):
    c, s = math.cos(math.radians(angle_deg)), math.sin(math.radians(angle_deg))

    def inside(x, y):
        u = (x - cx) * c + (y - cy) * s
        v = -(x - cx) * s + (y - cy) * c
        return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0
    return inside


def segment(xa, ya, xb, yb, half_width):
    def inside(x, y):
        vx, vy = xb - xa, yb - ya
        t = max(0.0, min(1.0, ((x - xa) * vx + (y - ya) * vy) / (vx * vx + vy * vy)))
        px, py = xa + t * vx - x, ya + t * vy - y
        return px * px + py * py <= half_width * half_width
    return inside


# Paints answer an (r, g, b, a) colour, 0..255, for a point inside a shape.

def solid(r, g, b, a=255):
    return lambda x, y: (r, g, b, a)


def vertical_gradient(top, bottom):
    def paint(x, y):
        t = max(0.0, min(1.0, y))
        return tuple(round(top[i] + (bottom[i] - top[i]) * t) for i in range(4))
    return paint


def radial_gradient(cx, cy, r, inner, outer):
    def paint(x, y):
        t = max(0.0, min(1.0, math.hypot(x - cx, y - cy) / r))
        return tuple(round(inner[i] + (outer[i] - inner[i]) * t) for i in range(4))
    return paint


# The pictures: layers painted back to front.

def idle_layers():
    # A slate-blue tile with a white quill: the recorder is present but not recording.
    return [
        (rounded_rect(0.06, 0.06, 0.94, 0.94, 0.18),
         vertical_gradient((110, 140, 175, 255), (52, 72, 102, 255))),
        (rounded_frame(0.06, 0.06, 0.94, 0.94, 0.18, 0.05), solid(34, 48, 70)),
        (ellipse(0.56, 0.44, 0.30, 0.11, -45), solid(245, 247, 250)),
        (segment(0.74, 0.26, 0.26, 0.74, 0.035), solid(70, 90, 120)),
        (segment(0.34, 0.66, 0.22, 0.78, 0.05), solid(245, 247, 250)),
    ]


def recording_layers(bright):
    # A red record dot; the two frames alternate a lit, haloed dot and a dim, smaller one.
    if bright:
        return [
            (disc(0.5, 0.5, 0.47), solid(255, 60, 40, 90)),
            (disc(0.5, 0.5, 0.40),
             radial_gradient(0.40, 0.38, 0.45, (255, 150, 130, 255), (205, 20, 15, 255))),
            (ring(0.5, 0.5, 0.40, 0.35), solid(120, 10, 8)),
            (ellipse(0.40, 0.33, 0.11, 0.07, -30), solid(255, 235, 230, 220)),
        ]
    return [
        (disc(0.5, 0.5, 0.30), solid(110, 22, 20)),
        (ring(0.5, 0.5, 0.30, 0.25), solid(60, 10, 8)),
    ]


def stopping_layers(bright):
    # An amber stop square; the two frames alternate a solid lit square and a hollow dim outline.
    if bright:
        return [
            (rounded_rect(0.10, 0.10, 0.90, 0.90, 0.10),
             vertical_gradient((255, 214, 90, 255), (232, 140, 10, 255))),
            (rounded_frame(0.10, 0.10, 0.90, 0.90, 0.10, 0.06), solid(140, 80, 0)),
        ]
    return [
        (rounded_frame(0.22, 0.22, 0.78, 0.78, 0.06, 0.14), solid(150, 95, 20)),
    ]


ICONS = {
    "idle": idle_layers(),
    "recording1": recording_layers(True),
    "recording2": recording_layers(False),
    "stopping1": stopping_layers(True),
    "stopping2": stopping_layers(False),
}


def render(layers, size):
    """Answers size*size straight-alpha RGBA tuples, top row first."""
    pixels = []
    n = SUPERSAMPLE
    for py in range(size):
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied sum over subsamples
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    r = g = b = a = 0.0
                    for shape, paint in layers:
                        if not shape(x, y):
                            continue
                        cr, cg, cb, ca = paint(x, y)
                        fa = ca / 255.0
                        r = cr * fa + r * (1 - fa)
                        g = cg * fa + g * (1 - fa)
                        b = cb * fa + b * (1 - fa)
                        a = fa + a * (1 - fa)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            count = n * n
            alpha = acc[3] / count
            if alpha <= 0.0:
                pixels.append((0, 0, 0, 0))
                continue
            pixels.append((round(acc[0] / count / alpha), round(acc[1] / count / alpha),
                           round(acc[2] / count / alpha), round(alpha * 255)))
    return pixels


def dib_image(pixels, size):
    """A 32-bit icon image: BITMAPINFOHEADER, bottom-up BGRA rows, then the 1-bit AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):
        rows.append(b"".join(struct.pack("<BBBB", b, g, r, a)
                             for r, g, b, a in pixels[y * size:(y + 1) * size]))
    mask_stride = ((size + 31) // 32) * 4
    mask_rows = []
    for y in reversed(range(size)):
        row = bytearray(mask_stride)
        for x in range(size):
            if pixels[y * size + x][3] < 128:  # transparent where the picture is mostly clear
                row[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(row))
    return header + b"".join(rows) + b"".join(mask_rows)


def ico_file(images):
    """images: list of (size, dib bytes)."""
    count = len(images)
    out = struct.pack("<HHH", 0, 1, count)
    offset = 6 + 16 * count
    for size, data in images:
        dim = size if size < 256 else 0
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def png_file(width, height, rgba_rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rgba_rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_preview(path, rendered):
    """Every icon at every size, magnified, on a checkerboard so the alpha is visible."""
    scale, pad = 4, 8
    names = list(ICONS)
    width = pad + sum(s * scale + pad for s in SIZES)
    height = pad + len(names) * (max(SIZES) * scale + pad)
    canvas = [[(200, 200, 200, 255) if ((x // 8) + (y // 8)) % 2 else (240, 240, 240, 255)
               for x in range(width)] for y in range(height)]
    for row, name in enumerate(names):
        x0 = pad
        y0 = pad + row * (max(SIZES) * scale + pad)
        for size in SIZES:
            pixels = rendered[name][size]
            for y in range(size * scale):
                for x in range(size * scale):
                    r, g, b, a = pixels[(y // scale) * size + x // scale]
                    br, bg, bb, _ = canvas[y0 + y][x0 + x]
                    f = a / 255.0
                    canvas[y0 + y][x0 + x] = (round(r * f + br * (1 - f)), round(g * f + bg * (1 - f)),
                                              round(b * f + bb * (1 - f)), 255)
            x0 += size * scale + pad
    with open(path, "wb") as f:
        f.write(png_file(width, height, canvas))


def main(argv):
    preview = None
    if len(argv) == 3 and argv[1] == "--preview":
        preview = argv[2]
    elif len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    out_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "icons")
    os.makedirs(out_dir, exist_ok=True)
    rendered = {}
    for name, layers in ICONS.items():
        rendered[name] = {size: render(layers, size) for size in SIZES}
        images = [(size, dib_image(rendered[name][size], size)) for size in SIZES]
        with open(os.path.join(out_dir, name + ".ico"), "wb") as f:
            f.write(ico_file(images))
    if preview:
        write_preview(preview, rendered)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
