#!/usr/bin/python3
"""Writes the service's replies for the hostile titles and sites (and for
titles holding every character of the Basic Multilingual Plane) as a C++
header, so the program's own reader can be run over exactly the bytes the
service sends:  write_reply_fixture.py OUTPUT.h

Each case carries the reply body and, for the table cases, the title and
site the program must show, in code page 936.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
sys.path.insert(0, HERE)

from linkservice.reply import build_reply  # noqa: E402
import hostile_texts  # noqa: E402

BASE = {"title": "Clip", "furl": "http://cdn.example/v.mp4", "ftype": "mp4",
        "size": 22312, "time": "0:02", "site": "Youtube"}
CHUNK = 480


def literal(data):
    """A C string literal of exactly these bytes (octal escapes outside
    printable ASCII, so the compiler's execution character set leaves them
    alone)."""
    out = []
    for b in data:
        c = chr(b)
        if c in '"\\?':
            out.append("\\" + c)
        elif 0x20 <= b < 0x7F:
            out.append(c)
        else:
            out.append("\\%03o" % b)
    return 'Q("%s")' % "".join(out)


def cases():
    for i, (title, shown) in enumerate(hostile_texts.TITLES):
        yield ("title %d" % i, build_reply(dict(BASE, title=title)),
               shown.encode("gbk"), BASE["site"].encode("gbk"), True)
    for i, (site, shown) in enumerate(hostile_texts.SITES):
        yield ("site %d" % i, build_reply(dict(BASE, site=site)),
               BASE["title"].encode("gbk"), shown.encode("gbk"), True)
    for first in range(0x80, 0x10000, CHUNK):
        title = "".join(chr(c) for c in range(first, min(first + CHUNK, 0x10000)))
        yield ("characters from U+%04X" % first, build_reply(dict(BASE, title=title)),
               b"", BASE["site"].encode("gbk"), False)


def main(path):
    lines = [
        "// Written by service/tests/write_reply_fixture.py; do not edit.",
        "#pragma once",
        "#include <string_view>",
        "#define Q(s) std::string_view(s, sizeof(s) - 1)",
        "struct ServiceReplyCase {",
        "  const char* name;",
        "  std::string_view body;",
        "  std::string_view title;  // code page 936; checked when exact",
        "  std::string_view site;",
        "  bool exact;",
        "};",
        "inline const ServiceReplyCase kServiceReplies[] = {",
    ]
    for name, body, title, site, exact in cases():
        lines.append('  {"%s", %s, %s, %s, %s},' % (
            name, literal(body), literal(title), literal(site), "true" if exact else "false"))
    lines += ["};", "#undef Q", ""]
    text = "\n".join(lines)
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    os.replace(tmp, path)


if __name__ == "__main__":
    main(sys.argv[1])
