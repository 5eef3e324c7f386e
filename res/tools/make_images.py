#!/usr/bin/env python3
"""Draws the program's images and writes them in the formats that the
resource compiler takes:

  norda.ico           the program icon, 16, 32 and 48 pixels, 32-bit with alpha:
                      a report page with a red warning triangle in front of it
                      (the 16-pixel image is the triangle alone, which stays
                      readable at that size)
  header_images.bmp   the header image list of the report contents list:
                      three 16x16 images side by side on magenta (the list's
                      transparent colour): blank, empty check box, ticked box

Standard library only, so the build needs nothing beyond Python itself.
Usage: make_images.py OUTPUT_FOLDER
"""

import os
import struct
import sys

SUPERSAMPLE = 8  # sub-pixels per pixel and axis; enough for smooth edges at 16 px


def edge_distances(poly, x, y):
    """Signed distances of (x, y) to the edges of a convex polygon given
    clockwise in image coordinates (y down): positive inside."""
    out = []
    n = len(poly)
    for i in range(n):
        (x0, y0), (x1, y1) = poly[i], poly[(i + 1) % n]
        dx, dy = x1 - x0, y1 - y0
        length = (dx * dx + dy * dy) ** 0.5
        out.append(((x - x0) * dy - (y - y0) * dx) / length * -1.0)
    return out


def in_convex(poly, inset=0.0):
    return lambda x, y: min(edge_distances(poly, x, y)) >= inset


def in_rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def in_circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def render(size, layers):
    """layers: (inside(x, y) in unit coordinates, (r, g, b, a)), back to front.
    Returns rows of (r, g, b, a) tuples, top row first."""
    pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]
    step = 1.0 / (size * SUPERSAMPLE)
    for py in range(size):
        for px in range(size):
            r = g = b = a = 0.0
            for inside, (cr, cg, cb, ca) in layers:
                hits = 0
                for sy in range(SUPERSAMPLE):
                    y = (py * SUPERSAMPLE + sy + 0.5) * step
                    for sx in range(SUPERSAMPLE):
                        x = (px * SUPERSAMPLE + sx + 0.5) * step
                        if inside(x, y):
                            hits += 1
                if not hits:
                    continue
                alpha = ca / 255.0 * hits / (SUPERSAMPLE * SUPERSAMPLE)
                # "over" compositing with premultiplied colour
                r = cr * alpha + r * (1 - alpha)
                g = cg * alpha + g * (1 - alpha)
                b = cb * alpha + b * (1 - alpha)
                a = alpha + a * (1 - alpha)
            if a > 0:
                pixels[py][px] = (r / a, g / a, b / a, a * 255)
    return [[tuple(int(round(c)) for c in p) for p in row] for row in pixels]


def warning_layers(tri, size):
    """A red warning triangle with a white exclamation mark; tri is the
    triangle's (top, bottom right, bottom left) in unit coordinates."""
    px = 1.0 / size
    (tx, ty), (rx, ry), (lx, _) = tri
    height = ry - ty
    cx = tx
    bar_w = max(0.085 * (rx - lx), 1.6 * px)
    return [
        (in_convex(tri), (150, 20, 20, 255)),
        (in_convex(tri, inset=1.0 * px), (226, 46, 40, 255)),
        (in_rect(cx - bar_w / 2, ty + 0.32 * height, cx + bar_w / 2, ty + 0.70 * height),
         (255, 255, 255, 255)),
        (in_circle(cx, ty + 0.82 * height, bar_w * 0.62), (255, 255, 255, 255)),
    ]


def icon_image(size):
    px = 1.0 / size
    if size <= 16:
        return render(size, warning_layers([(0.5, 0.03), (0.98, 0.93), (0.02, 0.93)], size))
    x0, y0, x1, y1, fold = 0.10, 0.03, 0.70, 0.84, 0.18
    page = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    fold_tri = [(x1 - fold, y0), (x1, y0 + fold), (x1 - fold, y0 + fold)]
    layers = [
        (in_convex(page), (110, 110, 110, 255)),
        (in_convex(page, inset=1.0 * px), (255, 255, 255, 255)),
        (in_convex(fold_tri), (110, 110, 110, 255)),
        (in_convex(fold_tri, inset=1.0 * px), (214, 214, 214, 255)),
    ]
    line_h = max(1.0 * px, 0.035)
    for i, top in enumerate((0.30, 0.40, 0.50, 0.60)):
        right = x1 - 0.10 if i % 2 == 0 else x1 - 0.20
        layers.append((in_rect(x0 + 0.08, top, right, top + line_h), (150, 160, 175, 255)))
    layers += warning_layers([(0.65, 0.34), (0.99, 0.97), (0.31, 0.97)], size)
    return render(size, layers)


def ico_bytes(images):
    """images: {size: rows of (r, g, b, a)}. 32-bit images with an AND mask
    that marks the fully transparent pixels for systems that ignore alpha."""
    header = struct.pack('<HHH', 0, 1, len(images))
    entries, blobs = b'', b''
    offset = 6 + 16 * len(images)
    for size, rows in sorted(images.items()):
        info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        color = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
        mask_stride = ((size + 31) // 32) * 4
        mask = b''
        for row in reversed(rows):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(bits)
        blob = info + color + mask
        entries += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return header + entries + blobs


MAGENTA = (255, 0, 255)
BOX_BORDER = (96, 96, 96)
BOX_FILL = (255, 255, 255)
TICK = (0, 0, 0)


def header_images():
    """Rows of (r, g, b), 48 wide and 16 high: blank, empty box, ticked box."""
    width = 48
    rows = [[MAGENTA] * width for _ in range(16)]
    for image in (1, 2):
        left, top, side = image * 16 + 2, 2, 13
        for y in range(top, top + side):
            for x in range(left, left + side):
                edge = y in (top, top + side - 1) or x in (left, left + side - 1)
                rows[y][x] = BOX_BORDER if edge else BOX_FILL
        if image == 2:
            # The classic 7-column check mark, each column three pixels high:
            # down two steps, then up four.
            for i, dy in enumerate((4, 5, 6, 5, 4, 3, 2)):
                for k in range(3):
                    rows[top + 1 + dy + k][left + 3 + i] = TICK
    return rows


def bmp_bytes(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    data = b''
    for row in reversed(rows):
        line = b''.join(bytes((b, g, r)) for (r, g, b) in row)
        data += line + b'\0' * (stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return file_header + info + data


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: make_images.py OUTPUT_FOLDER')
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, 'norda.ico'), 'wb') as f:
        f.write(ico_bytes({size: icon_image(size) for size in (16, 32, 48)}))
    with open(os.path.join(out, 'header_images.bmp'), 'wb') as f:
        f.write(bmp_bytes(header_images()))


if __name__ == '__main__':
    main()
