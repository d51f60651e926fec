"""The desktop program's way of reading a reply, for checking replies.

Percent-decode the bytes up to the first NUL, convert UTF-8 to code page 936,
then cut each field between its markers, searching from the start of the
whole reply, ASCII case ignored, matches only on GBK character boundaries.
"""

import base64
import codecs

MARKERS = {
    "title": ("<title><![CDATA[", "]]></ti"),
    "furl": ("<furl><![CDATA[", "]]></furl>"),
    "ftype": ("<ftype>", "</ftype>"),
    "size": ("<size>", "</size>"),
    "time": ("<time>", "</time>"),
    "site": ("es><site><![CDATA[", "]]></sit"),
}

_HEX = b"0123456789ABCDEF"


def request_path(address_gbk):
    """Path of the program's request for an address given as GBK bytes."""
    return "/url/" + base64.b64encode(address_gbk).decode("ascii") + "="


def percent_decode(raw):
    out = bytearray()
    i = 0
    while i < len(raw):
        b = raw[i]
        if b == 0x25:
            hi, lo = raw[i + 1:i + 2].upper(), raw[i + 2:i + 3].upper()
            if hi and lo and hi in _HEX and lo in _HEX:
                v = _HEX.index(hi) * 16 + _HEX.index(lo)
                if v:
                    out.append(v)
                i += 3
                continue
        out.append(b)
        i += 1
    return bytes(out)


def _find(src, pat, start):
    """First match of pat at or after start (0-based) on a GBK character
    boundary, ASCII case ignored; -1 when there is none."""
    s, p = src.lower(), pat.lower()  # bytes.lower() touches ASCII only
    i = 0
    while i <= len(s) - len(p):
        if i >= start and s[i:i + len(p)] == p:
            return i
        i += 2 if s[i] >= 0x80 else 1
    return -1


def extract_between(src, start_marker, end_marker):
    s = _find(src, start_marker, 0)
    if s < 0:
        return b""
    s += len(start_marker)
    e = _find(src, end_marker, s)
    if e < 0:
        return b""
    return src[s:e]


# Code page 936 as the program's conversion writes it: the euro sign and
# U+F8F5 as the lone bytes 0x80 and 0xFF, which Python's GBK codec lacks, and
# "?" (the default character) for what the code page cannot hold.
_LONE_BYTES = {"\u20ac": b"\x80", "\uf8f5": b"\xff"}


def _to_cp936(exc):
    if isinstance(exc, UnicodeEncodeError):
        text = exc.object[exc.start:exc.end]
        return b"".join(_LONE_BYTES.get(c, b"?") for c in text), exc.end
    if isinstance(exc, UnicodeDecodeError):
        byte = exc.object[exc.start:exc.start + 1]
        return {b"\x80": "\u20ac", b"\xff": "\uf8f5"}.get(byte, "\ufffd"), exc.start + 1
    raise exc


codecs.register_error("program-cp936", _to_cp936)


def read_reply(body):
    """Reply body bytes -> dict of the six fields as the program shows them
    (str, decoded back from code page 936)."""
    raw = body.split(b"\0", 1)[0]
    text = percent_decode(raw).decode("utf-8", errors="replace")
    ansi = text.encode("gbk", errors="program-cp936")
    return {name: extract_between(ansi, a.encode(), b.encode()).decode("gbk", errors="program-cp936")
            for name, (a, b) in MARKERS.items()}
