#!/usr/bin/env python3
"""Draws the library's bitmaps and icon, and the menu package's logos.

    python3 tools/bitmaps/draw_bitmaps.py [output folder]

The bitmaps (24-bit BMP) and the icon (32-bit ICO) go to shellext/resources/bitmaps, the package's
logos (PNG with transparency) to package/images; an output folder given takes all of them. Only the
standard library is used, and the output is byte-for-byte the same on every run, so the committed
files can be redrawn and compared. Shapes are described in pixel coordinates and sampled 4 x 4
times per pixel for smooth edges.
"""

import math
import os
import struct
import sys
import zlib

WHITE = (255, 255, 255)
MENU_BACKGROUND = WHITE
SAMPLES = 4


def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


class Canvas:
    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.pixels = [[background] * width for _ in range(height)]

    def fill(self, inside, colour):
        """Blends colour over every pixel by the share of its samples for which inside(x, y) holds."""
        step = 1.0 / SAMPLES
        for py in range(self.height):
            for px in range(self.width):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if inside(px + (sx + 0.5) * step, py + (sy + 0.5) * step):
                            hits += 1
                if hits:
                    share = hits / (SAMPLES * SAMPLES)
                    old = self.pixels[py][px]
                    self.pixels[py][px] = tuple(round(o + (c - o) * share) for o, c in zip(old, colour))

    def set_row(self, y, colour):
        self.pixels[y] = [colour] * self.width

    def bmp_bytes(self):
        stride = (self.width * 3 + 3) & ~3
        rows = []
        for row in reversed(self.pixels):  # bottom-up
            data = b"".join(bytes((b, g, r)) for r, g, b in row)
            rows.append(data + b"\0" * (stride - len(data)))
        image = b"".join(rows)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
        return header + info + image


class AlphaCanvas:
    """Straight (not premultiplied) RGBA over a transparent background, for the icon and the logos."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def fill(self, inside, colour):
        """Lays colour over every pixel with the share of its samples for which inside(x, y) holds."""
        step = 1.0 / SAMPLES
        for py in range(self.height):
            for px in range(self.width):
                hits = sum(1 for sy in range(SAMPLES) for sx in range(SAMPLES)
                           if inside(px + (sx + 0.5) * step, py + (sy + 0.5) * step))
                if not hits:
                    continue
                share = hits / (SAMPLES * SAMPLES)
                r, g, b, a = self.pixels[py][px]
                below = a / 255 * (1 - share)
                alpha = share + below
                mixed = tuple((c * share + o * below) / alpha for c, o in zip(colour, (r, g, b)))
                self.pixels[py][px] = tuple(round(v) for v in mixed) + (round(alpha * 255),)

    def png_bytes(self):
        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
        rows = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in self.pixels)
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
                + chunk(b"IEND", b""))

    def ico_image_bytes(self):
        """The icon-file form of one size: a 32-bit DIB of double height, bottom-up, then its AND mask."""
        colour = b"".join(bytes((b, g, r, a)) for row in reversed(self.pixels) for r, g, b, a in row)
        mask_stride = ((self.width + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(self.pixels):
            bits = bytearray(mask_stride)
            for x, pixel in enumerate(row):
                if pixel[3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height * 2, 1, 32, 0, len(colour) + len(mask),
                           0, 0, 0, 0)
        return info + colour + bytes(mask)


def ico_bytes(canvases):
    images = [c.ico_image_bytes() for c in canvases]
    offset = 6 + 16 * len(images)
    header = struct.pack("<HHH", 0, 1, len(images))
    entries = b""
    for canvas, image in zip(canvases, images):
        entries += struct.pack("<BBBBHHII", canvas.width % 256, canvas.height % 256, 0, 0, 1, 32, len(image),
                               offset)
        offset += len(image)
    return header + entries + b"".join(images)


# Shape helpers: each returns a predicate over pixel coordinates.
def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_outer, r_inner):
    return lambda x, y: r_inner * r_inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r_outer * r_outer


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def segment(ax, ay, bx, by, half_width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= half_width * half_width
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


def scaled(shape, scale):
    return lambda x, y: shape(x / scale, y / scale)


# Menu bitmaps, 16 x 16 on the menu's white.
def draw_product_mark(c, scale=1.0):
    """The product mark, a white cloud on a blue disc, drawn 16 x 16 times scale."""
    c.fill(scaled(circle(8, 8, 7.6), scale), hex_colour("#2F7BD6"))
    cloud = union(circle(6.2, 8.6, 2.3), circle(9.2, 7.4, 2.9), circle(11.3, 9.4, 1.9), rect(6.2, 8.6, 11.3, 11.3))
    c.fill(scaled(cloud, scale), WHITE)
    return c


def product_mark():
    """107: the product mark (the submenu and its first item)."""
    return draw_product_mark(Canvas(16, 16, MENU_BACKGROUND))


# The icon of Explorer's command menu (121), one image per size the menu asks for at 100 to 200 %.
ICON_SIZES = [16, 20, 24, 32, 40, 48]


def product_icon():
    return [draw_product_mark(AlphaCanvas(n, n), n / 16) for n in ICON_SIZES]


# The menu package's logos: the store logo and the two tile sizes a package must name.
LOGOS = [("Logo.png", 50), ("Square44x44Logo.png", 44), ("Square150x150Logo.png", 150)]


def share_mark():
    """114: three linked nodes (sharing), green."""
    c = Canvas(16, 16, MENU_BACKGROUND)
    green = hex_colour("#2E9E4F")
    c.fill(union(segment(4, 8, 11.5, 3.5, 0.8), segment(4, 8, 11.5, 12.5, 0.8)), green)
    c.fill(union(circle(4, 8, 2.6), circle(11.5, 3.5, 2.4), circle(11.5, 12.5, 2.4)), green)
    return c


def link_mark():
    """113: two interlocked chain links (a link to the file), blue."""
    c = Canvas(16, 16, MENU_BACKGROUND)
    blue = hex_colour("#1F6FC5")

    def link(ax, ay, bx, by, radius=2.4, half=0.8):
        # The outline of a stadium: points whose distance from the axis segment is about the radius.
        def inside(x, y):
            dx, dy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
            d = math.hypot(x - ax - t * dx, y - ay - t * dy)
            return abs(d - radius) <= half
        return inside

    c.fill(link(3.6, 12.4, 7.4, 8.6), blue)
    c.fill(link(8.6, 7.4, 12.4, 3.6), blue)
    return c


def history_mark():
    """112: a clock face (history), orange."""
    c = Canvas(16, 16, MENU_BACKGROUND)
    orange = hex_colour("#E07B1F")
    c.fill(ring(8, 8, 7.2, 5.6), orange)
    c.fill(union(segment(8, 8, 8, 3.8, 0.8), segment(8, 8, 11, 9.6, 0.8)), orange)
    return c


def web_mark():
    """115: a globe (open on the web), teal."""
    c = Canvas(16, 16, MENU_BACKGROUND)
    teal = hex_colour("#168C9C")
    lines = union(ring(8, 8, 7.2, 6.0),
                  lambda x, y: abs(((x - 8) / 3.4) ** 2 + ((y - 8) / 6.8) ** 2 - 1) <= 0.3,
                  segment(1.2, 8, 14.8, 8, 0.7))
    c.fill(lambda x, y: lines(x, y) and circle(8, 8, 7.2)(x, y), teal)
    return c


# Sign-in band bitmaps.
BAND_TOP = hex_colour("#FBFCFD")
BAND_BOTTOM = hex_colour("#F2F6F9")
BAND_LINE = hex_colour("#C2CBD7")


def picture_frame():
    """116: 26 x 27, a thin blue border on white around the user picture."""
    c = Canvas(26, 27, WHITE)
    c.fill(minus(rect(0, 0, 26, 27), rect(1, 1, 25, 26)), hex_colour("#8FB2DA"))
    return c


def band_separator():
    """117: 2 x 38, a light grey-blue column beside a near-white one."""
    c = Canvas(2, 38, WHITE)
    for row in c.pixels:
        row[0] = hex_colour("#C9D5E3")
        row[1] = hex_colour("#FDFEFE")
    return c


def cross_mark():
    """118: 18 x 18, a white cross on a red disc, over the band's colour."""
    c = Canvas(18, 18, hex_colour("#F7F9FB"))
    c.fill(circle(9, 9, 8.2), hex_colour("#D9362B"))
    c.fill(union(segment(5.8, 5.8, 12.2, 12.2, 1.1), segment(5.8, 12.2, 12.2, 5.8, 1.1)), WHITE)
    return c


def band_background():
    """119: 10 x 44, stretched behind the band: a white top row, the gradient, a white row, the bottom line."""
    c = Canvas(10, 44, WHITE)
    first, last = 1, c.height - 3
    for y in range(first, last + 1):
        t = (y - first) / (last - first)
        c.set_row(y, tuple(round(a + (b - a) * t) for a, b in zip(BAND_TOP, BAND_BOTTOM)))
    c.set_row(c.height - 2, WHITE)
    c.set_row(c.height - 1, BAND_LINE)
    return c


def default_avatar():
    """120: 26 x 26, a grey person silhouette in a grey frame."""
    c = Canvas(26, 26, hex_colour("#EEEEEE"))
    c.fill(minus(rect(0, 0, 26, 26), rect(1, 1, 25, 25)), hex_colour("#B3B3B3"))
    body = union(circle(13, 9.5, 4.6),
                 lambda x, y: y <= 25 and ((x - 13) / 9.0) ** 2 + ((y - 25) / 8.5) ** 2 <= 1)
    c.fill(lambda x, y: body(x, y) and rect(1, 1, 25, 25)(x, y), hex_colour("#A4A4A4"))
    return c


BITMAPS = [
    ("Product.bmp", 107, product_mark),
    ("History.bmp", 112, history_mark),
    ("Link.bmp", 113, link_mark),
    ("Share.bmp", 114, share_mark),
    ("Web.bmp", 115, web_mark),
    ("PictureFrame.bmp", 116, picture_frame),
    ("BandSeparator.bmp", 117, band_separator),
    ("CrossMark.bmp", 118, cross_mark),
    ("BandBackground.bmp", 119, band_background),
    ("DefaultAvatar.bmp", 120, default_avatar),
]


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "shellext", "resources", "bitmaps")
    logo_folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "package", "images")
    os.makedirs(folder, exist_ok=True)
    os.makedirs(logo_folder, exist_ok=True)
    for name, number, draw in BITMAPS:
        canvas = draw()
        path = os.path.join(folder, name)
        write(path, canvas.bmp_bytes())
        print(f"draw_bitmaps: {number} {canvas.width} x {canvas.height} -> {path}")
    path = os.path.join(folder, "Product.ico")
    write(path, ico_bytes(product_icon()))
    print(f"draw_bitmaps: icon 121 in sizes {', '.join(map(str, ICON_SIZES))} -> {path}")
    for name, size in LOGOS:
        path = os.path.join(logo_folder, name)
        write(path, draw_product_mark(AlphaCanvas(size, size), size / 16).png_bytes())
        print(f"draw_bitmaps: logo {size} x {size} -> {path}")


if __name__ == "__main__":
    main()
