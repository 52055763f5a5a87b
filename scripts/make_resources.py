#!/usr/bin/python3
"""Draw every picture Zorvel carries in its executable and write them to resources/.

Run by hand after changing a picture (needs Debian's python3-pil and fonts-dejavu-core):

    /usr/bin/python3 scripts/make_resources.py

Everything is drawn supersampled (SS times the final size) and box-filtered down, so
edges are clean at 1x. The toolbar pictograms and check marks are also written at 2x
("@2x"), which the flat button uses on high-DPI screens. The output is deterministic,
so rerunning the script without changes leaves the committed PNGs byte-identical.
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

SS = 8  # supersampling factor
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), os.pardir))
OUT = os.path.join(ROOT, "resources")
FONT_DIR = "/usr/share/fonts/truetype/dejavu"


def font(name, px):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), px)


# ---------------------------------------------------------------------------
# Alpha-only drawing: shapes are drawn into an 'L' canvas in the coordinates of
# the final tile (a 60 x 60 pictogram is drawn in 0..60), scaled by the
# supersampling factor. 255 = ink, 0 = cut away.


class AlphaCanvas:
    def __init__(self, size, scale):
        self.k = scale
        self.img = Image.new("L", (size[0] * scale, size[1] * scale), 0)
        self.d = ImageDraw.Draw(self.img)

    def p(self, pts):
        return [(x * self.k, y * self.k) for (x, y) in pts]

    def box(self, x0, y0, x1, y1):
        return [x0 * self.k, y0 * self.k, x1 * self.k, y1 * self.k]

    def poly(self, pts, ink=255):
        self.d.polygon(self.p(pts), fill=ink)

    def rect(self, x0, y0, x1, y1, ink=255, radius=0):
        if radius:
            self.d.rounded_rectangle(self.box(x0, y0, x1, y1), radius * self.k, fill=ink)
        else:
            self.d.rectangle(self.box(x0, y0, x1, y1), fill=ink)

    def ellipse(self, x0, y0, x1, y1, ink=255):
        self.d.ellipse(self.box(x0, y0, x1, y1), fill=ink)

    def line(self, pts, width, ink=255):
        """A polyline with round joins and round caps."""
        w = width * self.k
        q = self.p(pts)
        self.d.line(q, fill=ink, width=int(round(w)), joint="curve")
        r = w / 2
        for (x, y) in (q[0], q[-1]):
            self.d.ellipse([x - r, y - r, x + r, y + r], fill=ink)

    def outline_poly(self, pts, width, ink=255):
        self.line(list(pts) + [pts[0], pts[1]], width, ink)

    def thick_segment(self, a, b, width, ink=255):
        """A segment as a filled quadrilateral (flat ends)."""
        (x0, y0), (x1, y1) = a, b
        dx, dy = x1 - x0, y1 - y0
        n = math.hypot(dx, dy)
        ox, oy = -dy / n * width / 2, dx / n * width / 2
        self.poly([(x0 + ox, y0 + oy), (x1 + ox, y1 + oy), (x1 - ox, y1 - oy), (x0 - ox, y0 - oy)], ink)

    def down(self, factor):
        """Box-filter to 1/k * factor of the canvas size."""
        w = self.img.width * factor // self.k
        h = self.img.height * factor // self.k
        return self.img.resize((w, h), Image.BOX)


def star_points(cx, cy, r_out, r_in, n=5, rot=-90):
    pts = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot + i * 180 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def white_with_alpha(alpha):
    """The pictogram lives in the alpha channel; the colour bytes are plain white."""
    img = Image.new("RGBA", alpha.size, (255, 255, 255, 0))
    img.putalpha(alpha)
    return img


def save_png(img, name):
    path = os.path.join(OUT, name + ".png")
    # No text chunks, no timestamps: the same drawing gives the same bytes.
    img.save(path, "PNG", optimize=True)
    return path


# ---------------------------------------------------------------------------
# Toolbar pictograms, 60 x 60. Ink stays in the upper part (y <= ~40) so the
# caption in the lower-left corner is never covered.

STROKE = 2.6


def draw_star_badge(c, cx, cy, r):
    # A gap around the star keeps it readable where it overlaps the outline.
    c.poly(star_points(cx, cy, r + 2.4, (r + 2.4) * 0.5), ink=0)
    c.ellipse(cx - r * 0.55 - 1.6, cy - r * 0.55 - 1.6, cx + r * 0.55 + 1.6, cy + r * 0.55 + 1.6, ink=0)
    c.poly(star_points(cx, cy, r, r * 0.46))


def picto_document_star(c):
    x0, y0, x1, y1, fold = 18.5, 5.5, 39.5, 36.5, 7.5
    page = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    c.outline_poly(page, STROKE)
    c.line([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], STROKE * 0.8)
    for i, y in enumerate((15.5, 20.5, 25.5)):
        c.line([(x0 + 5, y), (x1 - (9 if i == 0 else 5), y)], 1.8)
    draw_star_badge(c, 40, 33, 8.2)


def picto_folder_star(c):
    x0, y0, x1, y1 = 13.5, 9.5, 44.5, 35.5
    outline = [(x0, y0 + 2), (x0 + 2, y0), (x0 + 10, y0), (x0 + 13, y0 + 3.5), (x1 - 1, y0 + 3.5),
               (x1, y0 + 4.5), (x1, y1), (x0, y1)]
    c.outline_poly(outline, STROKE)
    c.line([(x0, y0 + 9), (x1, y0 + 9)], STROKE * 0.8)
    draw_star_badge(c, 43, 33, 8.2)


def picto_browser_star(c):
    # A browser window: title bar with three dots, an address bar, and the star badge.
    x0, y0, x1, y1 = 13.5, 7.5, 44.5, 35.5
    c.outline_poly([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], STROKE)
    c.rect(x0, y0, x1, y0 + 6.5)
    for i in range(3):
        cx = x0 + 4.5 + i * 4.2
        c.ellipse(cx - 1.3, y0 + 2.0, cx + 1.3, y0 + 4.6, ink=0)
    c.rect(x0 + 4.5, y0 + 10, x1 - 4.5, y0 + 13.2, radius=1.2)
    for y in (24.5, 29.5):
        c.line([(x0 + 5, y), (x1 - 14, y)], 1.8)
    draw_star_badge(c, 43, 33, 8.2)


def picto_waste_bin(c):
    # Lid with a handle, a slightly tapered can with three slits.
    c.rect(16, 9, 44, 11.8, radius=1.2)
    c.line([(25, 9.4), (25, 6.2), (35, 6.2), (35, 9.4)], 2.2)
    can = [(18.5, 14.5), (41.5, 14.5), (39.5, 38.5), (20.5, 38.5)]
    c.poly(can)
    c.poly([(21.3, 17.1), (38.7, 17.1), (37.1, 35.9), (22.9, 35.9)], ink=0)
    for x_top, x_bot in ((25.2, 25.9), (30, 30), (34.8, 34.1)):
        c.line([(x_top, 19.5), (x_bot, 33.5)], 2.0)


def picto_tools(c):
    # Screwdriver from lower left to upper right, wrench from upper left to lower right.
    def rot(pts, cx, cy, deg):
        a = math.radians(deg)
        ca, sa = math.cos(a), math.sin(a)
        return [(cx + (x - cx) * ca - (y - cy) * sa, cy + (x - cx) * sa + (y - cy) * ca) for x, y in pts]

    cx, cy = 30, 22
    # Wrench, drawn upright then turned 45 degrees anticlockwise.
    shaft = [(27.3, 12), (32.7, 12), (32.7, 36), (27.3, 36)]
    c.poly(rot(shaft, cx, cy, -45))
    for yc in (9.5, 36.5):
        hx, hy = rot([(30, yc)], cx, cy, -45)[0]
        c.ellipse(hx - 6.3, hy - 6.3, hx + 6.3, hy + 6.3)
    # Open jaws: notches cut into both heads, pointing outwards.
    for yc, sign in ((9.5, -1), (36.5, 1)):
        notch = [(27.8, yc), (32.2, yc), (32.2, yc + sign * 8), (27.8, yc + sign * 8)]
        c.poly(rot(notch, cx, cy, -45), ink=0)
    # Screwdriver on top, drawn upright then turned 45 degrees clockwise, with a gap
    # cut around it where it crosses the wrench.
    c.poly(rot([(24.6, 22.5), (35.4, 22.5), (36, 39.6), (24, 39.6)], cx, cy, 45), ink=0)
    c.poly(rot([(27.2, 6), (32.8, 6), (32.8, 23), (27.2, 23)], cx, cy, 45), ink=0)
    c.poly(rot([(27, 24), (33, 24), (33.6, 38), (26.4, 38)], cx, cy, 45))
    c.poly(rot([(28.9, 8), (31.1, 8), (31.1, 24), (28.9, 24)], cx, cy, 45))
    c.poly(rot([(28.3, 4.5), (31.7, 4.5), (31.1, 8.5), (28.9, 8.5)], cx, cy, 45))


def picto_info(c):
    cx, cy, r = 30, 22, 16.5
    c.ellipse(cx - r, cy - r, cx + r, cy + r)
    r2 = r - STROKE
    c.ellipse(cx - r2, cy - r2, cx + r2, cy + r2, ink=0)
    c.ellipse(cx - 2.1, cy - 11.2, cx + 2.1, cy - 7.0)
    c.rect(cx - 1.9, cy - 4.5, cx + 1.9, cy + 10.5, radius=0.6)
    c.rect(cx - 4.6, cy - 4.5, cx + 1.9, cy - 2.4)
    c.rect(cx - 4.6, cy + 8.6, cx + 4.6, cy + 10.6)


def picto_link_check(c):
    # Two chain links, turned 45 degrees, and a check mark in a disc as the badge.
    def stadium(cx, cy, half, r, deg, n=14):
        a = math.radians(deg)
        ca, sa = math.cos(a), math.sin(a)
        local = []
        for i in range(n + 1):  # right cap, top to bottom
            t = math.radians(-90 + 180 * i / n)
            local.append((half + r * math.cos(t), r * math.sin(t)))
        for i in range(n + 1):  # left cap, bottom to top
            t = math.radians(90 + 180 * i / n)
            local.append((-half + r * math.cos(t), r * math.sin(t)))
        return [(cx + x * ca - y * sa, cy + x * sa + y * ca) for x, y in local]

    c.outline_poly(stadium(24.0, 25.0, 5.0, 4.8, -45), STROKE)
    c.outline_poly(stadium(33.5, 15.5, 5.0, 4.8, -45), STROKE)
    cx, cy, r = 41.5, 32.5, 8.0
    c.ellipse(cx - r - 1.8, cy - r - 1.8, cx + r + 1.8, cy + r + 1.8, ink=0)
    c.ellipse(cx - r, cy - r, cx + r, cy + r)
    c.line([(cx - 4.0, cy + 0.2), (cx - 1.2, cy + 3.2), (cx + 4.2, cy - 3.4)], 2.2, ink=0)


PICTOGRAMS = {
    "PICTDOCSTAR": picto_document_star,
    "PICTFOLDERSTAR": picto_folder_star,
    "PICTBROWSERSTAR": picto_browser_star,
    "PICTWASTEBIN": picto_waste_bin,
    "PICTTOOLS": picto_tools,
    "PICTLINKCHECK": picto_link_check,
    "PICTINFO": picto_info,
}


def check_mark(size):
    """A white check mark in the upper part of a size x size tile (60 or 90)."""
    u = size / 60.0
    c = AlphaCanvas((size, size), SS)
    pts = [(17 * u, 22 * u), (26 * u, 31 * u), (43 * u, 12 * u)]
    c.line(pts, 5.2 * u)
    return c


# ---------------------------------------------------------------------------
# Banners, 600 x 64, no alpha.

W, H = 600, 64


def vgradient(size, top, bottom):
    img = Image.new("RGB", size)
    d = ImageDraw.Draw(img)
    for y in range(size[1]):
        t = y / max(1, size[1] - 1)
        d.line([(0, y), (size[0], y)], fill=tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom)))
    return img


def ridge(width, base, amp, seed, step=3.0):
    """A deterministic mountain/hill outline: sum of a few sines."""
    pts = []
    x = 0.0
    while x <= width + step:
        y = base
        for i, (f, a) in enumerate(((0.011, 1.0), (0.027, 0.45), (0.063, 0.2), (0.13, 0.08))):
            y -= amp * a * math.sin(x * f + seed * (i + 1.7))
        pts.append((x, y))
        x += step
    return pts


def draw_scene_layer(img, pts, colour, k):
    d = ImageDraw.Draw(img)
    poly = [(x * k, y * k) for x, y in pts] + [(img.width, img.height), (0, img.height)]
    d.polygon(poly, fill=colour)


def caption(img, text, k, x, y, px, fill=(255, 255, 255), shadow=(0, 0, 0)):
    f = font("DejaVuSans-Bold.ttf", int(px * k))
    # Soft shadow so the caption reads on any part of the scene.
    sh = Image.new("L", img.size, 0)
    ImageDraw.Draw(sh).text((x * k + 1.2 * k, y * k + 1.2 * k), text, font=f, fill=170)
    sh = sh.filter(ImageFilter.GaussianBlur(1.4 * k))
    img.paste(Image.new("RGB", img.size, shadow), (0, 0), sh)
    ImageDraw.Draw(img).text((x * k, y * k), text, font=f, fill=fill)


def banner_mountains(f=1):
    k = 4
    img = vgradient((W * k, H * k), (31, 58, 110), (246, 170, 110))
    d = ImageDraw.Draw(img)
    sx, sy, sr = 470, 44, 11
    for i in range(6, 0, -1):  # sun glow
        r = sr + i * 4
        d.ellipse([(sx - r) * k, (sy - r) * k, (sx + r) * k, (sy + r) * k],
                  fill=(250, 190 - i * 6, 120 - i * 4))
    img = img.filter(ImageFilter.GaussianBlur(6 * k))
    d = ImageDraw.Draw(img)
    d.ellipse([(sx - sr) * k, (sy - sr) * k, (sx + sr) * k, (sy + sr) * k], fill=(255, 236, 190))
    draw_scene_layer(img, ridge(W, 36, 12, 0.3), (96, 88, 132), k)
    draw_scene_layer(img, ridge(W, 46, 9, 1.9), (62, 58, 98), k)
    draw_scene_layer(img, ridge(W, 56, 5, 3.1, 2.0), (34, 34, 60), k)
    caption(img, "Zorvel \u2014 every bookmark of every browser in one list", k, 16, 20, 17)
    return img.resize((W * f, H * f), Image.BOX)


def banner_coast(f=1):
    k = 4
    img = vgradient((W * k, H * k), (96, 170, 226), (206, 234, 246))
    d = ImageDraw.Draw(img)
    # A few soft clouds.
    for cx, cy, s in ((90, 12, 1.0), (300, 9, 0.8), (520, 15, 1.2)):
        for dx, dy, r in ((0, 0, 7), (8, -3, 8), (17, 0, 6), (9, 3, 7)):
            x, y, rr = cx + dx * s, cy + dy * s, r * s
            d.ellipse([(x - rr * 1.6) * k, (y - rr) * k, (x + rr * 1.6) * k, (y + rr) * k], fill=(246, 250, 252))
    img = img.filter(ImageFilter.GaussianBlur(1.5 * k))
    # Sea with a horizon, then green hills in front.
    d = ImageDraw.Draw(img)
    d.rectangle([0, 38 * k, W * k, H * k], fill=(38, 120, 176))
    for i in range(14):
        y = 41 + i * 1.7
        d.line([(0, y * k), (W * k, y * k)], fill=(48 + i * 2, 134 + i, 186), width=int(0.5 * k))
    draw_scene_layer(img, ridge(W, 54, 8, 2.4), (92, 160, 64), k)
    draw_scene_layer(img, ridge(W, 61, 4, 0.9, 2.0), (58, 122, 44), k)
    caption(img, "Search, sort and save your bookmarks in seconds", k, 16, 18, 17, shadow=(10, 40, 70))
    return img.resize((W * f, H * f), Image.BOX)


def banner_flat(bg, accent, title, sub, f=1, k=4):
    img = Image.new("RGB", (W * k, H * k), bg)
    d = ImageDraw.Draw(img)
    # A flat stripe and a bookmark ribbon on the right as the visual anchor.
    d.polygon([(430 * k, 0), (W * k, 0), (W * k, H * k), (380 * k, H * k)], fill=accent)
    rx = 520
    d.polygon([(rx * k, 8 * k), ((rx + 30) * k, 8 * k), ((rx + 30) * k, 56 * k),
               ((rx + 15) * k, 45 * k), (rx * k, 56 * k)], fill=(255, 255, 255))
    d.polygon([(x * k, y * k) for x, y in star_points(rx + 15, 25, 8, 3.7)], fill=accent)
    ft = font("DejaVuSans-Bold.ttf", 20 * k)
    fs = font("DejaVuSans.ttf", 12 * k)
    d.text((18 * k, 9 * k), title, font=ft, fill=(255, 255, 255))
    d.text((18 * k, 39 * k), sub, font=fs, fill=(255, 255, 255))
    return img.resize((W * f, H * f), Image.BOX)


# ---------------------------------------------------------------------------
# About logo (170 x 170) and application icon (256 x 256): a blue tile with a
# white bookmark ribbon carrying a star.


def logo(size, k=SS):
    s = size * k
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    u = s / 170.0
    d.rounded_rectangle([8 * u, 8 * u, 162 * u, 162 * u], 30 * u, fill=(27, 161, 226, 255))
    d.rounded_rectangle([8 * u, 92 * u, 162 * u, 162 * u], 30 * u, fill=(20, 132, 196, 255))
    d.rectangle([8 * u, 92 * u, 162 * u, 120 * u], fill=(20, 132, 196, 255))
    ribbon = [(56, 30), (114, 30), (114, 142), (85, 116), (56, 142)]
    d.polygon([(x * u, y * u) for x, y in ribbon], fill=(255, 255, 255, 255))
    d.polygon([(x * u, y * u) for x, y in star_points(85, 70, 21, 9.5)], fill=(240, 150, 9, 255))
    return img.resize((size, size), Image.BOX)


def globe(c):
    """The list's stand-in for a bookmark without a favicon: a plain globe, 16 x 16,
    its lines on whole pixels so that it stays crisp at 1x."""
    c.d.ellipse(c.box(0.0, 0.0, 15.0, 15.0), outline=255, width=int(1.0 * c.k))
    c.d.ellipse(c.box(4.0, 0.0, 11.0, 15.0), outline=255, width=int(1.0 * c.k))
    c.rect(7.0, 0.5, 8.0, 14.5)
    c.rect(0.5, 7.0, 14.5, 8.0)


def grey_with_alpha(alpha, rgb=(112, 120, 130)):
    """A neutral grey that reads on light and dark list backgrounds alike."""
    img = Image.new("RGBA", alpha.size, rgb + (0,))
    img.putalpha(alpha)
    return img


# ---------------------------------------------------------------------------


def main():
    os.makedirs(OUT, exist_ok=True)
    written = []

    for name, draw in PICTOGRAMS.items():
        c = AlphaCanvas((60, 60), SS)
        draw(c)
        written.append(save_png(white_with_alpha(c.down(1)), name))
        written.append(save_png(white_with_alpha(c.down(2)), name + "@2x"))

    for name, size in (("FBCHECKEDS", 60), ("FBCHECKEDL", 90)):
        c = check_mark(size)
        written.append(save_png(white_with_alpha(c.down(1)), name))
        written.append(save_png(white_with_alpha(c.down(2)), name + "@2x"))

    c = AlphaCanvas((16, 16), SS * 4)
    globe(c)
    written.append(save_png(grey_with_alpha(c.down(1)), "GLOBE"))
    written.append(save_png(grey_with_alpha(c.down(2)), "GLOBE@2x"))

    # Banners: the 600 x 64 pictures, plus "@2x" copies for high-DPI screens.
    for f, suffix in ((1, ""), (2, "@2x")):
        written.append(save_png(banner_mountains(f), "BANNER0" + suffix))
        written.append(save_png(
            banner_flat((27, 161, 226), (20, 132, 196), "Zorvel Internet Bookmark Manager",
                        "Free for everyone \u2014 zorvel.example.org", f), "BANNER1" + suffix))
        written.append(save_png(banner_coast(f), "BANNER2" + suffix))
        b3 = banner_flat((229, 20, 0), (240, 150, 9), "HALVERN PROJECT",
                         "More small, fast desktop tools \u2014 zorvel.example.org/tools", f)
        # BANNER3 is a palette picture (8 bits per index).
        b3 = b3.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
        path = os.path.join(OUT, "BANNER3" + suffix + ".png")
        b3.save(path, "PNG", optimize=True, bits=8)
        written.append(path)

    written.append(save_png(logo(170), "ABOUTLOGO"))
    written.append(save_png(logo(340), "ABOUTLOGO@2x"))
    written.append(save_png(logo(256), "zorvel"))

    for p in written:
        im = Image.open(p)
        print(f"{os.path.relpath(p, ROOT)}: {im.size[0]}x{im.size[1]} {im.mode}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
