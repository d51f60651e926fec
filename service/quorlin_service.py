#!/usr/bin/env python3
"""Quorlin link-resolution service.

Answers ``GET /url/<Base64>=`` where the Base64 argument holds the address of
a web page (bytes in code page 936).  The page is resolved with yt-dlp and the
reply carries six elements that the desktop program cuts out by fixed markers:

    <title><![CDATA[...]]></title>  <furl><![CDATA[...]]></furl>
    <ftype>...</ftype>  <size>bytes</size>  <time>...</time>
    <sites><site><![CDATA[...]]></site></sites>

The program percent-decodes the whole reply, converts it from UTF-8 to code
page 936, stops at the first NUL byte and then searches every marker from the
start of the reply, ignoring ASCII case.  Values are therefore written so that
they can never contain a marker or a NUL; see ``text_value`` and ``url_value``.

Every failure (bad argument, refused address, unsupported page, network
error, timeout) gives the same six elements, empty.
"""

import argparse
import base64
import binascii
import codecs
import importlib.util
import ipaddress
import os
import re
import socket
import sys
import threading
import time
import urllib.error
import urllib.parse
import urllib.request
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DEFAULT_HOST = "127.0.0.1"
DEFAULT_PORT = 8610

MAX_REQUEST_LINE = 8192       # bytes, request line including CRLF
MAX_ADDRESS_BYTES = 4096      # decoded page address
MAX_REPLY_BYTES = 64 * 1024   # whole reply body
MAX_TITLE_CHARS = 512
MAX_SITE_CHARS = 128
MAX_FURL_CHARS = 16 * 1024    # after quoting; longer addresses are dropped

FIELDS = ("title", "furl", "ftype", "size", "time", "site")


# ---------------------------------------------------------------------------
# Request argument

def _cp936_errors(exc):
    # Windows code page 936 maps the single byte 0x80 to the euro sign;
    # Python's GBK codec does not.
    if isinstance(exc, UnicodeDecodeError) and exc.object[exc.start:exc.start + 1] == b"\x80":
        return "\u20ac", exc.start + 1
    raise exc


codecs.register_error("quorlin-cp936", _cp936_errors)


def decode_argument(arg):
    """Base64 argument of /url/ -> bytes.

    The program appends one "=" after the normal padding, so any run of
    trailing "=" is dropped and the padding rebuilt.  "+" and "/" arrive raw;
    a percent-escaped form and the URL-safe alphabet are accepted as well.
    Raises ValueError for anything that is not Base64.
    """
    text = urllib.parse.unquote(arg).strip()
    text = text.rstrip("=").replace("-", "+").replace("_", "/")
    if len(text) % 4 == 1:
        raise ValueError("truncated Base64")
    text += "=" * (-len(text) % 4)
    try:
        return base64.b64decode(text, validate=True)
    except (binascii.Error, ValueError) as exc:
        raise ValueError("bad Base64") from exc


def decode_address(data):
    """Address bytes in code page 936 -> str.  Raises ValueError."""
    if len(data) > MAX_ADDRESS_BYTES:
        raise ValueError("address too long")
    try:
        return data.decode("gbk", errors="quorlin-cp936")
    except UnicodeDecodeError as exc:
        raise ValueError("address is not GBK") from exc


_SCHEMES = ("http", "https")
_HOST_RE = re.compile(r"^[A-Za-z0-9.\-_~\u0080-\U0010ffff]+$")


def check_address(address):
    """Return the page address to resolve, or raise ValueError.

    Only absolute http and https addresses with a host are accepted, so
    nothing reaches yt-dlp that it could read as a search ("ytsearch10:"),
    a pseudo-scheme of an extractor, a local path or a file:/data:/ftp:
    address.
    """
    address = address.strip()
    if not address:
        raise ValueError("empty address")
    if any(ord(c) < 0x20 or ord(c) == 0x7F or c.isspace() for c in address):
        raise ValueError("control or space character in address")
    if "\\" in address:
        raise ValueError("backslash in address")
    try:
        parts = urllib.parse.urlsplit(address)
        host = parts.hostname
        parts.port  # raises ValueError for a bad port
    except ValueError as exc:
        raise ValueError("unparsable address") from exc
    if parts.scheme.lower() not in _SCHEMES:
        raise ValueError("scheme not allowed")
    if not address.lower().startswith(parts.scheme.lower() + "://"):
        raise ValueError("not an absolute address")
    if not host:
        raise ValueError("no host")
    if host.startswith("[") or ":" in host:
        try:
            ipaddress.IPv6Address(host.strip("[]"))
        except ValueError as exc:
            raise ValueError("bad host") from exc
    elif not _HOST_RE.match(host):
        raise ValueError("bad host")
    return address


def to_uri(address):
    """An accepted page address in plain ASCII form.

    Non-ASCII host names become IDNA, other non-ASCII characters and spaces
    are percent-encoded as UTF-8; existing escapes stay.  yt-dlp sends the
    escaped form anyway and, given the raw form, takes the difference for a
    redirect and loads the page a second time.  Raises ValueError.
    """
    parts = urllib.parse.urlsplit(address)
    netloc = parts.netloc
    host = parts.hostname or ""
    if not host.isascii():
        try:
            ascii_host = host.encode("idna").decode("ascii")
        except UnicodeError as exc:
            raise ValueError("bad host name") from exc
        userinfo, _, hostport = netloc.rpartition("@")
        hostport = hostport.lower().replace(host, ascii_host, 1)
        netloc = userinfo + "@" + hostport if userinfo else hostport
    safe = "!#$%&'()*+,/:;=?@[]~"
    return urllib.parse.urlunsplit((
        parts.scheme.lower(), netloc,
        urllib.parse.quote(parts.path, safe=safe),
        urllib.parse.quote(parts.query, safe=safe),
        urllib.parse.quote(parts.fragment, safe=safe)))


# ---------------------------------------------------------------------------
# Reply

_CONTROL_RE = re.compile(r"[\x00-\x1f\x7f-\x9f\u2028\u2029]+")
_SURROGATE_RE = re.compile(r"[\ud800-\udfff]")


def _escape_percent(s):
    return s.replace("%", "%25")


def text_value(value, limit):
    """A display text made safe for the program's reply reader.

    Every marker the program searches for contains "<", so "<" and ">" are
    replaced by their full-width forms (which code page 936 holds); this also
    keeps "]]>" from closing a CDATA section.  Control characters (NUL among
    them: the program stops reading at the first NUL) become one space, lone
    surrogates that UTF-8 cannot carry become U+FFFD, and "%" is written as
    "%25" because the whole reply is percent-decoded before it is read.
    """
    if value is None:
        return ""
    s = str(value)
    s = _SURROGATE_RE.sub("\ufffd", s)
    s = _CONTROL_RE.sub(" ", s).strip()
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
    if urllib.parse.urlsplit(s).scheme.lower() not in _SCHEMES:
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


def build_reply(fields=None):
    """The reply body (UTF-8) for a dict of raw field values.

    Missing fields (or fields=None) are written as empty elements.
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
    body = (
        '<?xml version="1.0" encoding="utf-8"?>\n'
        "<video>\n"
        "<title><![CDATA[%s]]></title>\n"
        "<furl><![CDATA[%s]]></furl>\n"
        "<ftype>%s</ftype>\n"
        "<size>%s</size>\n"
        "<time>%s</time>\n"
        "<sites><site><![CDATA[%s]]></site></sites>\n"
        "</video>\n" % (title, furl, ftype, size, duration, site)
    ).encode("utf-8")
    if len(body) > MAX_REPLY_BYTES:
        return build_reply(None)
    return body


EMPTY_REPLY = build_reply(None)


# ---------------------------------------------------------------------------
# Resolution

class _NoRedirectToOtherSchemes(urllib.request.HTTPRedirectHandler):
    """Follows redirects of a HEAD request as HEAD, to http(s) only.

    urllib turns a redirected HEAD into a GET, which would fetch the whole
    media file just to learn its size.
    """

    def redirect_request(self, req, fp, code, msg, headers, newurl):
        if urllib.parse.urlsplit(newurl).scheme.lower() not in _SCHEMES:
            return None
        new = super().redirect_request(req, fp, code, msg, headers, newurl)
        if new is not None and req.get_method() == "HEAD":
            new.method = "HEAD"
        return new


_HEAD_OPENER = urllib.request.build_opener(_NoRedirectToOtherSchemes())


def head_content_length(url, headers=None, timeout=5.0):
    """Content-Length of url from a HEAD request, or None."""
    if urllib.parse.urlsplit(url).scheme.lower() not in _SCHEMES:
        return None
    req = urllib.request.Request(url, method="HEAD")
    for k, v in (headers or {}).items():
        if isinstance(k, str) and isinstance(v, str):
            req.add_header(k, v)
    try:
        with _HEAD_OPENER.open(req, timeout=timeout) as resp:
            if resp.status != 200:
                return None
            value = resp.headers.get("Content-Length")
    except (OSError, ValueError, urllib.error.URLError):
        return None
    if value is None or not value.strip().isdigit():
        return None
    return int(value.strip())


def _pick_entry(info):
    """The first video of a playlist result, or info itself."""
    depth = 0
    while info and info.get("_type") in ("playlist", "multi_video") and depth < 4:
        entries = [e for e in (info.get("entries") or []) if e]
        if not entries:
            return None
        info = entries[0]
        depth += 1
    return info


# Extractors of the generic fallback: pages of no particular site.  yt-dlp
# reports a plain HTML5 <video> page as "html5" / "HTML5MediaEmbed".
_GENERIC_EXTRACTORS = {"generic", "html5mediaembed", "quotedhtml"}


def _is_generic(info):
    key = (info.get("extractor_key") or "").lower()
    name = (info.get("extractor") or "").lower()
    return (not key and not name) or key in _GENERIC_EXTRACTORS \
        or name == "html5" or name.startswith("generic")


def _title(info):
    title = info.get("title") or info.get("fulltitle") or ""
    if (info.get("extractor") or "").lower() == "html5":
        # The html5 embed extractor numbers the videos of a page
        # ("Title (1)"); only the first one is reported.
        title = re.sub(r" \(1\)$", "", str(title))
    return title


def _site_name(info, address):
    key = info.get("extractor_key") or info.get("extractor") or ""
    if _is_generic(info):
        page = info.get("webpage_url") or address
        host = urllib.parse.urlsplit(page).hostname or ""
        return host[4:] if host.startswith("www.") else host
    return key


def fields_from_info(info, address, head=head_content_length, head_timeout=5.0):
    """Map a processed yt-dlp info dict to the six raw reply fields."""
    info = _pick_entry(info)
    if not info:
        return None
    fmt = info
    if not info.get("url") and info.get("requested_formats"):
        # Separate video and audio: report the video part.
        fmt = info["requested_formats"][0]
    furl = fmt.get("url") or ""
    size = fmt.get("filesize") or fmt.get("filesize_approx")
    if size is None and furl and fmt.get("protocol", "https") in _SCHEMES:
        size = head(furl, fmt.get("http_headers"), head_timeout)
    return {
        "title": _title(info),
        "furl": furl,
        "ftype": fmt.get("ext") or info.get("ext") or "",
        "size": size,
        "time": format_duration(info.get("duration")),
        "site": _site_name(info, address),
    }


class _SilentLogger:
    def debug(self, msg):
        pass

    def info(self, msg):
        pass

    def warning(self, msg):
        pass

    def error(self, msg):
        pass


def ytdlp_options(socket_timeout):
    return {
        "quiet": True,
        "no_warnings": True,
        "noprogress": True,
        "logger": _SilentLogger(),
        "skip_download": True,
        "simulate": True,
        "cachedir": False,
        "socket_timeout": socket_timeout,
        "noplaylist": True,
        "playlistend": 1,
        "lazy_playlist": True,
        # One combined audio+video format; else the best video, else audio.
        "format": "b/bv*/ba*",
        "check_formats": False,
        "enable_file_urls": False,
        "default_search": "error",
        "usenetrc": False,
        "extractor_retries": 1,
        "retries": 1,
    }


def ytdlp_extract(address, socket_timeout):
    import yt_dlp  # imported on first use; the rest of the module does not need it

    with yt_dlp.YoutubeDL(ytdlp_options(socket_timeout)) as ydl:
        return ydl.extract_info(address, download=False)


class KeyedLocks:
    """One lock per key, dropped when nobody holds or waits for it."""

    def __init__(self):
        self._mutex = threading.Lock()
        self._table = {}

    def acquire(self, key, timeout):
        with self._mutex:
            entry = self._table.setdefault(key, [threading.Lock(), 0])
            entry[1] += 1
        if entry[0].acquire(timeout=max(timeout, 0)):
            return True
        self._drop(key)
        return False

    def release(self, key):
        with self._mutex:
            lock = self._table[key][0]
        lock.release()
        self._drop(key)

    def _drop(self, key):
        with self._mutex:
            entry = self._table[key]
            entry[1] -= 1
            if entry[1] == 0:
                del self._table[key]

    def __len__(self):
        with self._mutex:
            return len(self._table)


class Resolver:
    """Resolves page addresses with a bound on time and concurrency.

    One extraction runs at a time per address and at most max_concurrent in
    all.  A caller waits at most `deadline` seconds; an extraction that
    overruns keeps its slot until it ends, so the bound holds.
    """

    def __init__(self, extract=None, deadline=25.0, socket_timeout=10.0,
                 max_concurrent=4, head_timeout=5.0, head=head_content_length):
        self.extract = extract or ytdlp_extract
        self.deadline = deadline
        self.socket_timeout = socket_timeout
        self.head_timeout = head_timeout
        self.head = head
        self.slots = threading.BoundedSemaphore(max_concurrent)
        self.locks = KeyedLocks()

    def resolve(self, address):
        """Return (fields or None, outcome text)."""
        end = time.monotonic() + self.deadline
        if not self.locks.acquire(address, end - time.monotonic()):
            return None, "busy (same address)"
        if not self.slots.acquire(timeout=max(end - time.monotonic(), 0)):
            self.locks.release(address)
            return None, "busy"
        box = {}
        done = threading.Event()

        def work():
            try:
                info = self.extract(address, self.socket_timeout)
                box["fields"] = fields_from_info(
                    info, address, self.head, self.head_timeout)
            except BaseException as exc:  # yt-dlp raises many kinds
                box["error"] = exc
            finally:
                self.slots.release()
                self.locks.release(address)
                done.set()

        threading.Thread(target=work, name="extract", daemon=True).start()
        if not done.wait(max(end - time.monotonic(), 0)):
            return None, "timeout"
        if "error" in box:
            return None, "failed: %s" % _short_error(box["error"])
        if not box.get("fields"):
            return None, "no video"
        return box["fields"], "ok"


def _short_error(exc):
    text = " ".join(str(exc).split()) or type(exc).__name__
    text = re.sub(r"\x1b\[[0-9;]*m", "", text)
    return text[:120]


# ---------------------------------------------------------------------------
# HTTP

START_PAGE = """<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8"><title>Quorlin</title></head>
<body>
<h1>Quorlin 链接解析服务</h1>
<p>这是 Quorlin 的视频链接解析服务。Quorlin link-resolution service.</p>
<p><code>GET /url/&lt;Base64&gt;=</code></p>
</body></html>
""".encode("utf-8")


def _short(text, limit=80):
    return text if len(text) <= limit else text[:limit - 3] + "..."


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "QuorlinService/1.0"
    sys_version = ""
    timeout = 15  # seconds for a client to send its request

    def handle_one_request(self):
        try:
            self.raw_requestline = self.rfile.readline(MAX_REQUEST_LINE + 1)
            if len(self.raw_requestline) > MAX_REQUEST_LINE:
                self.requestline = ""
                self.request_version = ""
                self.command = ""
                self.send_error(414)
                return
            if not self.raw_requestline:
                self.close_connection = True
                return
            if not self.parse_request():
                return
            method = getattr(self, "do_" + self.command, None)
            if method is None:
                self.send_error(501)
                return
            method()
            self.wfile.flush()
        except TimeoutError as exc:
            self.log_error("request timed out: %r", exc)
            self.close_connection = True

    def log_request(self, code="-", size="-"):
        pass  # do_GET writes its own line

    def log_message(self, format, *args):
        sys.stderr.write("%s %s\n" % (self.address_string(), _short(format % args, 160)))

    def _send(self, code, body, ctype):
        self.send_response(code)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def do_GET(self):
        started = time.monotonic()
        path = self.path.split("?", 1)[0].split("#", 1)[0]
        if path.startswith("/url/"):
            body, outcome = self._resolve(path[len("/url/"):])
            self._send(200, body, "text/xml; charset=utf-8")
        elif path in ("/", "/index.html"):
            outcome = "start page"
            self._send(200, START_PAGE, "text/html; charset=utf-8")
        else:
            outcome = "404"
            self._send(404, b"not found\n", "text/plain; charset=utf-8")
        sys.stderr.write("%s GET %s -> %s %.2fs\n" % (
            self.address_string(), _short(self.path), outcome,
            time.monotonic() - started))

    def _resolve(self, arg):
        try:
            address = to_uri(check_address(decode_address(decode_argument(arg))))
        except ValueError as exc:
            return EMPTY_REPLY, "empty: %s" % exc
        try:
            fields, outcome = self.server.resolver.resolve(address)
        except Exception as exc:  # never let one request take the service down
            return EMPTY_REPLY, "empty: %s" % _short_error(exc)
        if fields is None:
            return EMPTY_REPLY, "empty: %s" % outcome
        return build_reply(fields), outcome


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, resolver):
        self.resolver = resolver
        if ":" in address[0]:
            self.address_family = socket.AF_INET6
        super().__init__(address, Handler)


def make_server(host=DEFAULT_HOST, port=DEFAULT_PORT, resolver=None):
    return Server((host, port), resolver or Resolver())


def _is_loopback(host):
    if host == "localhost":
        return True
    try:
        return ipaddress.ip_address(host).is_loopback
    except ValueError:
        return False


def main(argv=None):
    p = argparse.ArgumentParser(description="Quorlin link-resolution service")
    p.add_argument("--host", default=DEFAULT_HOST,
                   help="address to listen on (default %(default)s)")
    p.add_argument("--port", type=int, default=DEFAULT_PORT,
                   help="port to listen on (default %(default)s, 0 = any free port)")
    p.add_argument("--timeout", type=float, default=25.0,
                   help="seconds a request may take at most (default %(default)s)")
    p.add_argument("--socket-timeout", type=float, default=10.0,
                   help="network timeout of yt-dlp, seconds (default %(default)s)")
    p.add_argument("--max-concurrent", type=int, default=4,
                   help="extractions running at the same time (default %(default)s)")
    p.add_argument("--log", metavar="FILE",
                   help="append the messages and request lines to FILE instead of stderr")
    args = p.parse_args(argv)
    if args.log:
        sys.stderr = open(args.log, "a", encoding="utf-8", errors="backslashreplace",
                          buffering=1)
    elif sys.stderr is None:
        # pythonw.exe starts the service without any standard streams.
        sys.stderr = open(os.devnull, "w")
    if args.max_concurrent < 1 or args.timeout <= 0 or args.socket_timeout <= 0:
        p.error("--timeout, --socket-timeout and --max-concurrent must be positive")
    resolver = Resolver(deadline=args.timeout, socket_timeout=args.socket_timeout,
                        max_concurrent=args.max_concurrent,
                        head_timeout=min(5.0, args.socket_timeout))
    server = make_server(args.host, args.port, resolver)
    host, port = server.server_address[:2]
    if importlib.util.find_spec("yt_dlp") is None:
        sys.stderr.write("warning: yt_dlp cannot be imported by %s; every request "
                         "will get an empty reply\n" % sys.executable)
    if not _is_loopback(args.host):
        sys.stderr.write("warning: listening on %s, not only on loopback\n" % args.host)
    shown = "[%s]" % host if ":" in host else host
    sys.stderr.write("Quorlin service listening on http://%s:%d/\n" % (shown, port))
    sys.stderr.flush()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
