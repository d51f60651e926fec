"""The reply the desktop program reads.

The program percent-decodes the whole reply, converts it from UTF-8 to code
page 936, stops at the first NUL byte and then searches every marker from the
start of the reply, ignoring ASCII case and matching only on character
boundaries, where a byte of 0x80 or above starts a two-byte character:

    <title><![CDATA[...]]></title>  <furl><![CDATA[...]]></furl>
    <ftype>...</ftype>  <size>bytes</size>  <time>...</time>
    <sites><site><![CDATA[...]]></site></sites>

A reply without a download address may carry one more element after those
six, ``<error><![CDATA[reason]]></error>``: a short text saying why (no
video on the page, the page could not be fetched, a refused destination,
...).  The program's markers do not match it, and it follows them all.

Every value is written here so that it can never contain a marker or a NUL,
and so that its code page 936 form is made of ASCII bytes and complete
two-byte characters only; see ``text_value`` and ``url_value``.
"""

import re
import urllib.parse

MAX_REPLY_BYTES = 64 * 1024   # whole reply body
MAX_TITLE_CHARS = 512
MAX_SITE_CHARS = 128
MAX_FURL_CHARS = 16 * 1024    # after quoting; longer addresses are dropped
MAX_ERROR_CHARS = 160

FIELDS = ("title", "furl", "ftype", "size", "time", "site")
SCHEMES = ("http", "https")

_CONTROL_RE = re.compile(r"[\x00-\x1f\x7f-\x9f\u2028\u2029]+")
_SURROGATE_RE = re.compile(r"[\ud800-\udfff]")

# Code page 936 writes these as one byte of 0x80 or above, which the reader
# takes for the first half of a two-byte character: the byte after it (the
# "]" of an end marker) would be swallowed and the field lost.
_LONE_HIGH_BYTE = {"\u20ac": "EUR", "\uf8f5": ""}


def _escape_percent(s):
    return s.replace("%", "%25")


def _ansi_safe_char(c):
    if c.isascii():
        return c
    if c in _LONE_HIGH_BYTE:
        return _LONE_HIGH_BYTE[c]
    try:
        c.encode("gbk")  # a complete two-byte character
        return c
    except UnicodeEncodeError:
        # Not in code page 936: the program's conversion would put its
        # default character here; writing it ourselves keeps the result the
        # same on every system, whatever its best-fit tables hold.
        return "?"


def ansi_safe(s):
    """s with only characters whose code page 936 form the reader cuts
    correctly: ASCII and two-byte characters."""
    if s.isascii():
        return s
    return "".join(_ansi_safe_char(c) for c in s)


def text_value(value, limit):
    """A display text made safe for the program's reply reader.

    Every marker the program searches for contains "<", so "<" and ">" are
    replaced by their full-width forms (which code page 936 holds); this also
    keeps "]]>" from closing a CDATA section.  Control characters (NUL among
    them: the program stops reading at the first NUL) become one space,
    characters code page 936 writes as a lone high byte are spelled out or
    dropped, others it cannot write become "?", and "%" is written as "%25"
    because the whole reply is percent-decoded before it is read.
    """
    if value is None:
        return ""
    s = str(value)
    s = _SURROGATE_RE.sub("\ufffd", s)
    s = _CONTROL_RE.sub(" ", s)
    s = ansi_safe(s).strip()
    if len(s) > limit:
        s = s[:limit - 1].rstrip() + "\u2026"
    s = s.replace("<", "\uff1c").replace(">", "\uff1e")
    return _escape_percent(s)


_URL_SAFE = "!#$%&'()*+,/:;=?@[]~"


def url_value(value):
    """A media address made safe for the reply, or "" when unusable.

    Characters that have no place in a URI (spaces, "<", ">", quotes,
    controls, non-ASCII) are percent-encoded as UTF-8, which leaves a plain
    ASCII address without any marker in it; then "%" is doubled so that the
    program's percent-decoding gives back exactly this address.
    """
    if not value:
        return ""
    s = _SURROGATE_RE.sub("", str(value)).strip()
    if urllib.parse.urlsplit(s).scheme.lower() not in SCHEMES:
        return ""
    s = urllib.parse.quote(s, safe=_URL_SAFE, errors="strict")
    if len(s) > MAX_FURL_CHARS:
        return ""
    return _escape_percent(s)


def format_duration(seconds):
    """Running time as M:SS or H:MM:SS; "" when unknown."""
    try:
        seconds = float(seconds)
    except (TypeError, ValueError):
        return ""
    if not seconds > 0 or seconds > 10 ** 7:
        return ""
    total = int(seconds + 0.5)
    h, rest = divmod(total, 3600)
    m, s = divmod(rest, 60)
    if h:
        return "%d:%02d:%02d" % (h, m, s)
    return "%d:%02d" % (m, s)


def format_size(size):
    try:
        n = int(size)
    except (TypeError, ValueError, OverflowError):
        return ""
    return str(n) if 0 <= n < 10 ** 18 else ""


def format_ext(ext):
    ext = str(ext or "").strip().lower()
    return ext if re.fullmatch(r"[a-z0-9]{1,16}", ext) else ""


def build_reply(fields=None, error=None):
    """The reply body (UTF-8) for a dict of raw field values.

    Missing fields (or fields=None) are written as empty elements.  error,
    the reason a resolution failed, is written as an <error> element after
    the six (only when given and no download address is).
    """
    f = fields or {}
    title = text_value(f.get("title"), MAX_TITLE_CHARS)
    furl = url_value(f.get("furl"))
    ftype = format_ext(f.get("ftype"))
    size = format_size(f.get("size"))
    duration = str(f.get("time") or "")
    if not re.fullmatch(r"[0-9:]{0,16}", duration):
        duration = ""
    site = text_value(f.get("site"), MAX_SITE_CHARS)
    reason = text_value(error, MAX_ERROR_CHARS) if not furl else ""
    if reason:
        reason = "<error><![CDATA[%s]]></error>\n" % reason
    body = (
        '<?xml version="1.0" encoding="utf-8"?>\n'
        "<video>\n"
        "<title><![CDATA[%s]]></title>\n"
        "<furl><![CDATA[%s]]></furl>\n"
        "<ftype>%s</ftype>\n"
        "<size>%s</size>\n"
        "<time>%s</time>\n"
        "<sites><site><![CDATA[%s]]></site></sites>\n"
        "%s"
        "</video>\n" % (title, furl, ftype, size, duration, site, reason)
    ).encode("utf-8")
    if len(body) > MAX_REPLY_BYTES:
        return build_reply(None, error)
    return body


EMPTY_REPLY = build_reply(None)
