#!/usr/bin/python3
"""Writes stand-ins for the Windows faces the program names (黑体/SimHei and
宋体/SimSun) into a Wine prefix's Fonts folder.

Wine has neither face. The installed Chinese fonts cover the glyphs but not
the metrics: WenQuanYi Zen Hei is 1.26 em from ascent to descent and
AR PL UMing 1.05 em, while both Windows faces are 1.0 em (0.859 above the
baseline, 0.141 below, no line gap). A label laid out with DrawText then
drifts downwards by a quarter of a line per line. The stand-ins are the
installed fonts with the Windows faces' vertical metrics and a family name
of their own, which the prefix's font replacements point at.

    make_standin_fonts.py <fonts-folder>

Prints one line per font written: "<family>\\t<file name>".
"""

import os
import sys

from fontTools.ttLib import TTCollection

ASCENT_EM = 0.859
DESCENT_EM = 0.141

# (source collection, family inside it, family of the stand-in, file name)
STANDINS = [
    ("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", "WenQuanYi Zen Hei", "Quorlin Hei", "quorlin-hei.ttf"),
    ("/usr/share/fonts/truetype/arphic/uming.ttc", "AR PL UMing CN", "Quorlin Song", "quorlin-song.ttf"),
]

NAME_IDS = (1, 3, 4, 6, 16, 17, 18, 21, 22)


def with_windows_metrics(font):
    upm = font["head"].unitsPerEm
    ascent = round(ASCENT_EM * upm)
    descent = round(DESCENT_EM * upm)
    hhea = font["hhea"]
    hhea.ascent, hhea.descent, hhea.lineGap = ascent, -descent, 0
    os2 = font["OS/2"]
    os2.usWinAscent, os2.usWinDescent = ascent, descent
    os2.sTypoAscender, os2.sTypoDescender, os2.sTypoLineGap = ascent, -descent, 0


def renamed(font, family):
    name = font["name"]
    name.names = [n for n in name.names if n.nameID not in NAME_IDS]
    postscript = family.replace(" ", "")
    for name_id, text in ((1, family), (2, "Regular"), (3, postscript + "-Regular"), (4, family),
                          (6, postscript + "-Regular")):
        name.setName(text, name_id, 3, 1, 0x409)
        name.setName(text, name_id, 1, 0, 0)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for source, inside, family, file_name in STANDINS:
        if not os.path.exists(source):
            sys.stderr.write("make_standin_fonts: %s is missing\n" % source)
            return 1
        collection = TTCollection(source, lazy=True)
        font = next((f for f in collection.fonts if f["name"].getDebugName(1) == inside), None)
        if font is None:
            sys.stderr.write("make_standin_fonts: no %s in %s\n" % (inside, source))
            return 1
        with_windows_metrics(font)
        renamed(font, family)
        font.recalcBBoxes = False
        font.recalcTimestamp = False
        font.save(os.path.join(folder, file_name))
        print("%s\t%s" % (family, file_name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
