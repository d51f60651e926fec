#!/usr/bin/env python3
"""Draws the program icon (assets/quorlin.ico): a cyan rounded tile with a
white play triangle over a download bar, at 16, 24, 32 and 48 pixels."""
import os
import sys

from PIL import Image, ImageDraw

SIZES = (16, 24, 32, 48)


def tile(size):
    scale = 4  # draw large, then shrink for smooth edges
    s = size * scale
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 0, s - 1, s - 1), radius=s // 5, fill=(34, 170, 221, 255),
                        outline=(20, 110, 150, 255), width=max(scale, s // 24))
    # play triangle
    d.polygon([(s * 0.34, s * 0.20), (s * 0.34, s * 0.62), (s * 0.72, s * 0.41)], fill=(255, 255, 255, 255))
    # download bar
    d.rectangle((s * 0.22, s * 0.72, s * 0.78, s * 0.80), fill=(255, 255, 255, 255))
    return img.resize((size, size), Image.LANCZOS)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "assets", "quorlin.ico")
    big = tile(max(SIZES))
    big.save(out, format="ICO", sizes=[(n, n) for n in SIZES], append_images=[tile(n) for n in SIZES])


if __name__ == "__main__":
    main()
