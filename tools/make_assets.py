#!/usr/bin/env python3
"""Draws the pictures the skin engine embeds (assets/*.jpg, assets/*.png).

    make_assets.py              write the pictures into assets/
    make_assets.py --out DIR    write them into DIR
    make_assets.py --check      draw them into a temporary folder and compare
                                them byte for byte with the ones in assets/

The output is deterministic: every random choice comes from a seeded
generator and nothing depends on the clock or the machine, so the committed
files can be checked against a fresh run (with the same Pillow and zlib).

Caption glyphs share one construction: a translucent white wash whose alpha
falls row by row to 1 at the bottom row, a solid white line drawing, and a
one-pixel soft dark shadow around the drawing. Coordinates below are pixel
columns x and rows y from the top left, inclusive.
"""
import argparse
import filecmp
import math
import os
import random
import sys
import tempfile

from PIL import Image, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.normpath(os.path.join(HERE, "..", "assets"))

WHITE = (255, 255, 255)

# ---------------------------------------------------------------- background


def background():
    """600 x 425: light cyan along the top fading to nearly white at the
    bottom, with soft water drops lying on the pale surface."""
    w, h = 600, 425
    rng = random.Random(0x51D0)
    top = (92, 212, 240)
    bottom = (244, 251, 253)
    img = Image.new("RGB", (w, h))
    px = img.load()
    for y in range(h):
        t = (y / (h - 1)) ** 0.75
        row = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        for x in range(w):
            px[x, y] = row

    # A faint, slow ripple across the surface so the ground is not flat.
    ripple = Image.new("L", (w // 25, h // 25))
    rp = ripple.load()
    for y in range(ripple.height):
        for x in range(ripple.width):
            rp[x, y] = rng.randrange(0, 40)
    ripple = ripple.resize((w, h), Image.BICUBIC).filter(ImageFilter.GaussianBlur(12))
    img = Image.composite(Image.new("RGB", (w, h), (255, 255, 255)), img, ripple)

    # Drops: more and larger towards the top, where the surface is wetter.
    drops = []
    for _ in range(150):
        y = int(h * rng.random() ** 1.4)
        x = rng.randrange(-10, w + 10)
        r = rng.uniform(2.5, 7.0) + rng.random() ** 3 * 20 * (1 - y / h)
        squash = rng.uniform(0.8, 1.0)
        drops.append((x, y, r, r * squash))
    drops.sort(key=lambda d: d[1])

    shadow = Image.new("L", (w, h), 0)
    body = Image.new("L", (w, h), 0)
    light = Image.new("L", (w, h), 0)
    glint = Image.new("L", (w, h), 0)
    ds, db, dl, dg = (ImageDraw.Draw(i) for i in (shadow, body, light, glint))
    for x, y, rx, ry in drops:
        ox, oy = rx * 0.22, ry * 0.35
        ds.ellipse((x - rx + ox, y - ry + oy, x + rx + ox, y + ry + oy), fill=90)
        db.ellipse((x - rx, y - ry, x + rx, y + ry), fill=70)
        # the drop gathers light on the side away from the light source
        dl.ellipse((x - rx * 0.55, y - ry * 0.1, x + rx * 0.85, y + ry * 0.85), fill=150)
        gr = max(1.0, rx * 0.22)
        gx, gy = x - rx * 0.42, y - ry * 0.45
        dg.ellipse((gx - gr, gy - gr * 0.8, gx + gr, gy + gr * 0.8), fill=235)

    shadow = shadow.filter(ImageFilter.GaussianBlur(2.2))
    body = body.filter(ImageFilter.GaussianBlur(0.8))
    light = light.filter(ImageFilter.GaussianBlur(2.0))
    glint = glint.filter(ImageFilter.GaussianBlur(0.7))
    img = Image.composite(Image.new("RGB", (w, h), (20, 120, 150)), img, shadow)
    img = Image.composite(Image.new("RGB", (w, h), (40, 170, 205)), img, body)
    img = Image.composite(Image.new("RGB", (w, h), (235, 252, 255)), img, light)
    img = Image.composite(Image.new("RGB", (w, h), (255, 255, 255)), img, glint)
    return img


def save_background(path):
    exif = Image.Exif()
    exif[0x010E] = "Water drops on a pale surface"  # ImageDescription
    exif[0x0131] = "Quorlin make_assets.py"  # Software
    background().save(path, format="JPEG", quality=85, progressive=False, optimize=True,
                      exif=exif.tobytes())


# ------------------------------------------------------------ caption glyphs


def rect_outline(x0, y0, x1, y1):
    pts = set()
    for x in range(x0, x1 + 1):
        pts.add((x, y0))
        pts.add((x, y1))
    for y in range(y0, y1 + 1):
        pts.add((x0, y))
        pts.add((x1, y))
    return pts


def fill(x0, y0, x1, y1):
    return {(x, y) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1)}


def help_drawing():
    # Speech bubble body x 8-18, y 4-11 with its corners cut off, a tail
    # hanging from the bottom edge at x 11-12 down to y 13, and an upright
    # mark with a dot inside at the right.
    pts = rect_outline(8, 4, 18, 11) - {(8, 4), (18, 4), (8, 11), (18, 11)}
    pts |= {(9, 5), (17, 5), (9, 10), (17, 10)}
    pts |= {(11, 12), (12, 12), (11, 13)}
    pts |= {(15, 6), (15, 7), (15, 9)}
    return pts


def main_menu_drawing():
    # Square outline x 9-18, y 4-12; three short bars; a small arrow head
    # filling the bottom right corner.
    pts = rect_outline(9, 4, 18, 12)
    for y in (6, 8, 10):
        pts |= fill(11, y, 14, y)
    pts |= {(17, 9), (16, 10), (17, 10), (15, 11), (16, 11), (17, 11)}
    return pts


def minimize_drawing():
    return fill(9, 11, 18, 12)


def maximize_drawing():
    return rect_outline(8, 5, 17, 12) | fill(8, 6, 17, 6)


def restore_drawing():
    # Front window x 8-16, y 7-12; the back one x 11-19, y 5-10 shows only
    # where the front one does not cover it.
    front = rect_outline(8, 7, 16, 12) | fill(8, 8, 16, 8)
    covered = fill(8, 7, 16, 12)
    back = rect_outline(11, 5, 19, 10) - covered
    return front | back


# Left end of the three-pixel stroke running from the top left to the
# bottom right of the cross, for each of its eight rows.
CROSS_STROKE = (0, 1, 2, 3, 3, 4, 5, 6)


def close_drawing():
    # Diagonal cross x 14-22, y 5-12, strokes three pixels wide; the image is
    # 38 wide, its last column is a separator, so the cross sits at x 18.
    pts = set()
    for r, left in enumerate(CROSS_STROKE):
        y = 5 + r
        for x in range(14 + left, 17 + left):
            pts.add((x, y))
            pts.add((36 - x, y))
    return pts


def wash_alpha(top, rows, bright_line):
    """Alpha of the wash for each row: from `top` at row 0 down to 1 at the
    last row. With `bright_line` row 0 stands out and the wash proper starts
    at 0x1D on row 1."""
    last = rows - 1
    if not bright_line:
        return [round(top - (top - 1) * y / last) for y in range(rows)]
    start = 0x1D
    return [top] + [round(start - (start - 1) * (y - 1) / (last - 1)) for y in range(1, rows)]


SHADOW_EDGE = 130  # next to the drawing along a row or column
SHADOW_CORNER = 70  # touching it only at a corner


def caption_glyph(width, top_alpha, bright_line, drawing, separator=False):
    height = 18
    img = Image.new("RGBA", (width, height))
    px = img.load()
    wash = wash_alpha(top_alpha, height, bright_line)
    for y in range(height):
        for x in range(width):
            if (x, y) in drawing:
                px[x, y] = WHITE + (255,)
                continue
            edge = any((x + dx, y + dy) in drawing for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            corner = any((x + dx, y + dy) in drawing for dx, dy in ((1, 1), (-1, 1), (1, -1), (-1, -1)))
            s = SHADOW_EDGE if edge else SHADOW_CORNER if corner else 0
            a = wash[y]
            # black shadow over the white wash
            out_a = s + a * (255 - s) / 255
            grey = round(255 * a * (255 - s) / 255 / out_a) if out_a else 0
            px[x, y] = (grey, grey, grey, round(out_a))
    if separator:
        # faint dark column at the right edge: alpha 0x1E at the top to 0x02
        for y in range(height):
            px[width - 1, y] = (0, 0, 0, round(0x1E - (0x1E - 0x02) * y / (height - 1)))
    return img


# ------------------------------------------------------------- check mark

TICK_DARK = (0x54, 0x88, 0x05)
TICK_LIGHT = (0xD3, 0xE6, 0xAF)


def check_mark():
    """13 x 12 anti-aliased green tick: the short stroke from (0,5) down to
    (5,10), the long one from there up to (12,0). Darkest at the bend,
    lightest at the two tips; coverage becomes alpha."""
    w, h = 13, 12
    bend = (5.5, 10.5)  # pixel centres
    strokes = (((0.5, 5.5), bend), (bend, (12.5, 0.5)))
    half = 1.2  # half the stroke width
    n = 8  # samples per pixel side
    img = Image.new("RGBA", (w, h))
    px = img.load()

    def nearest(p, a, b):
        ax, ay = a
        bx, by = b
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((p[0] - ax) * vx + (p[1] - ay) * vy) / (vx * vx + vy * vy)))
        qx, qy = ax + t * vx, ay + t * vy
        return math.hypot(p[0] - qx, p[1] - qy), math.hypot(qx - bend[0], qy - bend[1])

    reach = max(math.hypot(s[0][0] - s[1][0], s[0][1] - s[1][1]) for s in strokes)
    for y in range(h):
        for x in range(w):
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    p = (x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                    if any(nearest(p, a, b)[0] <= half for a, b in strokes):
                        hits += 1
            if not hits:
                continue
            centre = (x + 0.5, y + 0.5)
            along = min((nearest(centre, a, b) for a, b in strokes))[1]
            # the short stroke is half as long, so it brightens twice as fast
            short = nearest(centre, *strokes[0])[0] < nearest(centre, *strokes[1])[0]
            t = min(1.0, along / (reach / 2 if short else reach))
            t = t ** 0.8
            rgb = tuple(round(d + (l - d) * t) for d, l in zip(TICK_DARK, TICK_LIGHT))
            px[x, y] = rgb + (round(255 * hits / (n * n)),)
    return img


# ----------------------------------------------------------------- arrows

ARROW_INK = (0x02, 0x01, 0x00, 255)


def arrow(rows):
    """A solid near-black triangle on a transparent ground; `rows` lists the
    inked x range of each row from the top."""
    width = max(b for _, b in rows) + 1
    img = Image.new("RGBA", (width, len(rows)), (0, 0, 0, 0))
    px = img.load()
    for y, (a, b) in enumerate(rows):
        for x in range(a, b + 1):
            px[x, y] = ARROW_INK
    return img


UP_ROWS = ((3, 3), (2, 4), (1, 5), (0, 6))
LEFT_ROWS = ((3, 3), (2, 3), (1, 3), (0, 3), (1, 3), (2, 3), (3, 3))


def arrow_up():
    return arrow(UP_ROWS)


def arrow_down():
    return arrow_up().transpose(Image.FLIP_TOP_BOTTOM)


def arrow_left():
    return arrow(LEFT_ROWS)


def arrow_right():
    return arrow_left().transpose(Image.FLIP_LEFT_RIGHT)


# ------------------------------------------------------------------ output

PNGS = {
    "help.png": lambda: caption_glyph(26, 0x39, False, help_drawing()),
    "main_menu.png": lambda: caption_glyph(26, 0x2C, False, main_menu_drawing()),
    "minimize.png": lambda: caption_glyph(26, 0x50, True, minimize_drawing()),
    "maximize.png": lambda: caption_glyph(26, 0x50, True, maximize_drawing()),
    "restore.png": lambda: caption_glyph(26, 0x50, True, restore_drawing()),
    "close.png": lambda: caption_glyph(38, 0x50, True, close_drawing(), separator=True),
    "check_mark.png": check_mark,
    "arrow_up.png": arrow_up,
    "arrow_down.png": arrow_down,
    "arrow_left.png": arrow_left,
    "arrow_right.png": arrow_right,
}

FILES = ["background.jpg"] + list(PNGS)


def write_all(out):
    os.makedirs(out, exist_ok=True)
    save_background(os.path.join(out, "background.jpg"))
    for name, draw in PNGS.items():
        img = draw()
        assert img.mode == "RGBA"
        img.save(os.path.join(out, name), format="PNG", optimize=True)


def check():
    with tempfile.TemporaryDirectory() as tmp:
        write_all(tmp)
        differ = [n for n in FILES
                  if not os.path.exists(os.path.join(ASSETS, n))
                  or not filecmp.cmp(os.path.join(tmp, n), os.path.join(ASSETS, n), shallow=False)]
    for n in differ:
        print(f"make_assets: assets/{n} differs from a fresh drawing", file=sys.stderr)
    if not differ:
        print(f"make_assets: {len(FILES)} pictures match a fresh drawing")
    return 1 if differ else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--out", default=ASSETS, help="output folder (default: assets/)")
    ap.add_argument("--check", action="store_true", help="compare a fresh drawing with assets/")
    args = ap.parse_args()
    if args.check:
        return check()
    write_all(args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
